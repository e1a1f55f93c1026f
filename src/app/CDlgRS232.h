#pragma once
// The link dialog ("Link PC"): choose the COM port from the ports that exist, RS232 or RS485,
// and the RS485 device ID, or let Auto Detect find the controller. The walks are the core's
// (CPortTable, CAutoDetect), the decisions its CLinkDialogModel; this window shows and collects.
//
// Usage (the link command):
//   CDlgRS232 dlg(link, theComPort, host, [&] { ReadAll(); }, mainWindow);
//   dlg.SetProbeHook([&](int port, int id) { progress.Show(port, id); });
//   app.comPort = PortAfterLinkDialog(dlg.exec() == QDialog::Accepted, dlg.SelectedPort(),
//                                     app.comPort);
//
// OK applies the chosen mode, and in RS485 mode the ID (1 to 255, else the dialog stays open
// with a message), to the application object. Cancel leaves the mode as it was; an ID that
// Auto Detect found stays, since that is the ID the controller answers to.

#include <QDialog>
#include <cstdint>
#include <functional>

#include "link/ComPort.h"
#include "link/Discovery.h"
#include "models/ControllerCommands.h"
#include "models/LinkDialogModel.h"

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace zelt {

class CDlgRS232 : public QDialog {
  public:
    enum ControlId : int {
        IDOK = 1,
        IDCANCEL = 2,
        IDC_PORT_LIST = 1000,
        IDC_AUTO_DETECT = 1001,
        IDC_PORT_LABEL = 1012,
        IDC_HINT = 1013,
        IDC_RS232 = 1014,
        IDC_RS485 = 1015,
        IDC_RS485_ID = 1017,
        IDC_MODE_GROUP = 1016,
        IDC_RS485_ID_LABEL = 1020,
        IDC_PROBE_LINE = 1021,
        IDC_SCAN_BUS = 1022,
    };

    // Enumerates the ports (the serial port is closed for the dialog's life) and fills the
    // controls in the current language. getParameters runs after Auto Detect found a
    // controller, on the open port at the address found; messages go through window.
    using GetParameters = std::function<void(const LinkAddress& found)>;
    // Auto Detect runs as an exchange of commands; Cancel stops it then, instead of closing.
    CDlgRS232(CMainApp& app, CComPort& port, CControllerCommands& commands,
              IControllerWindow& window, GetParameters getParameters, QWidget* parent = nullptr);

    // Told before each probe of Auto Detect: the port and, in RS485 mode, the device ID.
    void SetProbeHook(CAutoDetect::ProbeHook hook) { probeHook_ = std::move(hook); }

    // The port the dialog hands back: comPort when it opened, then the list choice or the
    // port Auto Detect found.
    uint16_t SelectedPort() const { return model_.selectedPort; }

    // The mode the radio buttons show (232 or 485).
    uint16_t ChosenMode() const;

    void accept() override;
    void reject() override;
    bool Detecting() const { return detecting_; }

  private:
    void BuildControls();
    void SetTexts();
    void FillPortList();
    void SelectPortInList(int port);
    void OnListSelection(int index);
    void OnAutoDetect();
    // "Scan Bus" (RS485): lists the controllers on the selected port; the one chosen gives
    // the ID field its value.
    void OnScanBus();
    void ShowProbe(int port, int rs485Id);
    // While Auto Detect walks: everything but Cancel takes no input.
    void SetDetecting(bool detecting);
    std::string IdField() const;
    void ShowIdError();

    CMainApp& app_;
    CComPort& port_;
    CControllerCommands& commands_;
    IControllerWindow& window_;
    bool detecting_ = false;
    GetParameters getParameters_;
    CAutoDetect::ProbeHook probeHook_;
    CLinkDialogModel model_;

    QGroupBox* modeGroup_ = nullptr;
    QRadioButton* rs232Radio_ = nullptr;
    QRadioButton* rs485Radio_ = nullptr;
    QLabel* portLabel_ = nullptr;
    QComboBox* portList_ = nullptr;
    QPushButton* autoDetect_ = nullptr;
    QPushButton* scanBus_ = nullptr;
    QLabel* idLabel_ = nullptr;
    QLineEdit* idEdit_ = nullptr;
    QLabel* hint_ = nullptr;
    QLabel* probeLine_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace zelt
