#pragma once
// The controller commands' and the file commands' window side for the main window: messages
// and dialogs go through the window interface, display updates to the parameter panel and the
// status panes, notifications become posted events of the main window.

#include "app/WindowUi.h"
#include "config/CfgCommands.h"
#include "models/ControllerCommands.h"

namespace zelt {

class CMainWnd;

class CWindowHost final : public IControllerWindow, public ICfgFileUi {
  public:
    CWindowHost(CMainWnd& wnd, IWindowUi& ui) : wnd_(wnd), ui_(ui) {}

    // IControllerWindow
    void ShowMessage(const std::string& text, const std::string& caption,
                     zelt::MessageIcon icon) override;
    void RequestQuit(int exitCode) override;
    BatteryFailChoice AskBatteryFail(const BatteryFailTexts& texts) override;
    void Post(int message) override;
    void DisplayChanged(Display display, const std::string& text) override;
    void OperatingModeChanged() override;
    void BatteryCaptionChanged(const std::string& caption) override;
    void FirmwarePaneChanged(const std::string& text) override;
    void SerialPaneChanged(const std::string& text) override;
    void TitleChanged(const std::string& title) override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    void CommitEditedFields() override;
    void CommitClockFields() override;
    void CollectIntoRecord() override;
    void RefreshFromRecord() override;
    void InvalidateAllControls() override;
    void ReadingsStale(bool stale, const TimeOfDay& lastGood) override;

    // ICfgFileUi
    bool ChooseFileToOpen(std::string* fullPath) override;
    bool ChooseFileToSave(std::string* fullPath) override;
    void ShowMessage(const std::string& text, const std::string& caption,
                     ICfgFileUi::MessageIcon icon) override;

  private:
    bool ChooseFile(FileDialogKind kind, std::string* fullPath);

    CMainWnd& wnd_;
    IWindowUi& ui_;
};

}  // namespace zelt
