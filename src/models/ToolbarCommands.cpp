#include "models/ToolbarCommands.h"

#include <array>

namespace zelt {

namespace {

constexpr std::array<ToolbarButton, 9> kButtons{{
    {1017, 40036, "Open config-file.", "開啟檔案", MainCommand::Open, false},
    {57604, 40037, "Save as config-file", "儲存檔案", MainCommand::SaveAs, false},
    {40017, 40038, "Link Controller and PC", "與電腦連結", MainCommand::Link, true},
    {40026, 40039, "Reset to default", "還原為預設值", MainCommand::ResetToDefault, true},
    {40012, 40040, "Get Parameters", "取上次設定值", MainCommand::GetParameters, false},
    {40013, 40041, "Set Parameters", "儲存新設定值", MainCommand::SetParameters, false},
    {1021, 40042, "Close Utility", "結束", MainCommand::CloseUtility, true},
    {40014, 40044, "About the Utility", "版本說明", MainCommand::About, true},
    {40027, 40043, "Switch to Chinese UI", "切到英文界面", MainCommand::SwitchLanguage, true},
}};

constexpr int kDeleteSelectedSectorsId = 1018;
constexpr int kDeleteAllSectorsId = 1019;

}  // namespace

std::span<const ToolbarButton> ToolbarButtons() {
    return kButtons;
}

std::optional<MainCommand> CommandOfId(int commandId) {
    for (const ToolbarButton& button : kButtons) {
        if (button.englishId == commandId || button.chineseId == commandId) {
            return button.command;
        }
    }
    if (commandId == kDeleteSelectedSectorsId) {
        return MainCommand::DeleteSelectedSectors;
    }
    if (commandId == kDeleteAllSectorsId) {
        return MainCommand::DeleteAllSectors;
    }
    return std::nullopt;
}

}  // namespace zelt
