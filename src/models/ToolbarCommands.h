#pragma once
// The toolbar of both languages: one row per button, the English and the Chinese command id,
// the tool tip (also the status bar's fly-by text) and the handler both ids run. Both toolbars
// have the same order and separators.

#include <optional>
#include <span>

namespace zelt {

enum class MainCommand {
    Open,
    SaveAs,
    Link,
    ResetToDefault,
    GetParameters,
    SetParameters,
    CloseUtility,
    About,
    SwitchLanguage,
    DeleteSelectedSectors,  // 1018, the schedule panel's Delete button
    DeleteAllSectors,       // 1019, no button issues it
};

struct ToolbarButton {
    int englishId;
    int chineseId;
    const char* englishText;
    const char* chineseText;
    MainCommand command;
    bool separatorBefore;
};

std::span<const ToolbarButton> ToolbarButtons();

// The handler of a command id of either toolbar, or of 1018 / 1019; nullopt for another id.
std::optional<MainCommand> CommandOfId(int commandId);

}  // namespace zelt
