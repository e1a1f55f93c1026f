#pragma once
// The seek dialog ("Seeking controller"): at start-up, every 400 ms the next of COM1..COM40
// that opens is probed with the status read until a controller answers, the battery-failed
// flag is set or the user cancels. The walk is the core's CSeekWalk; this window blinks and
// drives it.
//
// Usage (notification 1036):
//   CDlgSeek dlg(link, theComPort, seekPosition, [&] { ReadAll(); }, mainWindow);
//   dlg.exec();
//   if (dlg.foundPort != 0) app.comPort = dlg.foundPort;  // the port stays open

#include <QDialog>
#include <cstdint>
#include <functional>

#include "link/ComPort.h"
#include "link/Discovery.h"
#include "models/ControllerCommands.h"

class QLabel;
class QPushButton;
class QTimer;

namespace zelt {

class CDlgSeek : public QDialog {
  public:
    enum ControlId : int {
        IDCANCEL = 2,
        IDC_SEEK_TEXT = 1018,
        IDC_SEEK_ICON = 1019,
        IDC_PROBE_LINE = 1021,
        IDC_ICON_BRIGHT = 4004,
        IDC_ICON_DIM = 4005,
    };
    static constexpr int kSeekTimerId = 7;

    // Told with the port number before its status read.
    using ProbeHook = std::function<void(int port)>;

    // The battery-failed flag is the commands' panel value; the probe is their status read.
    // getParameters runs once a controller answered, before the dialog ends.
    CDlgSeek(CMainApp& app, CControllerCommands& commands, CComPort& port, CSeekPosition& position,
             std::function<void()> getParameters, QWidget* parent = nullptr);

    void SetProbeHook(ProbeHook hook) { probeHook_ = std::move(hook); }

    // The port where a controller answered; 0 when none did.
    uint16_t foundPort = 0;

    // One tick of timer 7: a step of the walk, then the blink. A tick that arrives while an
    // earlier tick is still probing does nothing and returns Busy.
    SeekStepResult OnSeekTimer();
    void reject() override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void Blink();
    void ShowProbe(int port);

    CMainApp& app_;
    CControllerCommands& commands_;
    bool cancelled_ = false;
    ProbeHook probeHook_;
    CSeekWalk walk_;
    QLabel* brightIcon_ = nullptr;
    QLabel* dimIcon_ = nullptr;
    QLabel* text_ = nullptr;
    QLabel* probeLine_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QTimer* timer_ = nullptr;
    uint32_t blinkTicks_ = 0;
};

}  // namespace zelt
