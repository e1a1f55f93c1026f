#pragma once
// The controller commands' and the file commands' window side for the Win32 main window:
// messages and dialogs, display updates to the panel and the status panes, notifications
// posted as WM_APP + id.

#include "config/CfgCommands.h"
#include "models/ControllerCommands.h"

namespace zelt::win32 {

class CMainWnd;

class CWindowHost final : public IControllerWindow, public ICfgFileUi {
  public:
    explicit CWindowHost(CMainWnd& wnd) : wnd_(wnd) {}

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

    // ICfgFileUi: the common file dialogs, starting in the folder *fullPath names.
    bool ChooseFileToOpen(std::string* fullPath) override;
    bool ChooseFileToSave(std::string* fullPath) override;
    void ShowMessage(const std::string& text, const std::string& caption,
                     ICfgFileUi::MessageIcon icon) override;

  private:
    bool ChooseFile(bool save, std::string* fullPath);

    CMainWnd& wnd_;
};

}  // namespace zelt::win32
