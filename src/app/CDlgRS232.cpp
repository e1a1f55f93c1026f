#include "app/CDlgRS232.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/CDlgBusScan.h"
#include "base/Trace.h"
#include "policy/Finding.h"
#include "ui/WidgetIds.h"

namespace zelt {

namespace {

constexpr int kLowestRs485Id = 1;
constexpr int kHighestRs485Id = 255;
constexpr int kDialogWidth = 280;
constexpr int kIdEditWidth = 60;

}  // namespace

CDlgRS232::CDlgRS232(CMainApp& app, CComPort& port, CControllerCommands& commands,
                     IControllerWindow& window, GetParameters getParameters, QWidget* parent)
    : QDialog(parent),
      app_(app),
      port_(port),
      commands_(commands),
      window_(window),
      getParameters_(std::move(getParameters)) {
    // The port list shows what exists now; the port stays closed until Auto Detect opens one.
    ports_.Enumerate(port_);
    BuildControls();
    FillPortList();
    selectedPort = app_.comPort;
    SelectPortInList(app_.comPort);
    SetTexts();
}

void CDlgRS232::BuildControls() {
    setFixedWidth(kDialogWidth);

    modeGroup_ = Named(new QGroupBox(this), IDC_MODE_GROUP);
    rs232Radio_ = Named(new QRadioButton(QStringLiteral("RS232"), modeGroup_), IDC_RS232);
    rs485Radio_ = Named(new QRadioButton(QStringLiteral("RS485"), modeGroup_), IDC_RS485);
    auto* modeButtons = new QButtonGroup(this);
    modeButtons->addButton(rs232Radio_);
    modeButtons->addButton(rs485Radio_);
    auto* modeRow = new QHBoxLayout(modeGroup_);
    modeRow->addWidget(rs232Radio_);
    modeRow->addWidget(rs485Radio_);
    modeRow->addStretch();
    (app_.commMode == kCommModeRs232 ? rs232Radio_ : rs485Radio_)->setChecked(true);

    portLabel_ = Named(new QLabel(this), IDC_PORT_LABEL);
    portList_ = Named(new QComboBox(this), IDC_PORT_LIST);
    portList_->setEditable(false);
    autoDetect_ = Named(new QPushButton(this), IDC_AUTO_DETECT);
    scanBus_ = Named(new QPushButton(this), IDC_SCAN_BUS);
    idLabel_ = Named(new QLabel(QStringLiteral("RS485 ID:"), this), IDC_RS485_ID_LABEL);
    idEdit_ = Named(new QLineEdit(QString::number(app_.rs485Id), this), IDC_RS485_ID);
    idEdit_->setMaxLength(3);
    idEdit_->setFixedWidth(kIdEditWidth);
    probeLine_ = Named(new QLabel(this), IDC_PROBE_LINE);
    hint_ = Named(new QLabel(this), IDC_HINT);
    hint_->setWordWrap(true);
    ok_ = Named(new QPushButton(this), IDOK);
    ok_->setDefault(true);
    cancel_ = Named(new QPushButton(this), IDCANCEL);

    auto* grid = new QGridLayout;
    grid->addWidget(portLabel_, 0, 0, 1, 2);
    grid->addWidget(portList_, 1, 0);
    grid->addWidget(autoDetect_, 1, 1);
    grid->addWidget(scanBus_, 2, 1);
    auto* idRow = new QHBoxLayout;
    idRow->addWidget(idLabel_);
    idRow->addWidget(idEdit_);
    idRow->addStretch();
    grid->addLayout(idRow, 2, 0);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    buttons->addStretch();
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(hint_, 1);
    bottom->addLayout(buttons);

    auto* column = new QVBoxLayout(this);
    column->addWidget(modeGroup_);
    column->addLayout(grid);
    column->addWidget(probeLine_);
    column->addLayout(bottom);

    // The ID only means something on an RS485 line.
    idEdit_->setEnabled(rs485Radio_->isChecked());
    connect(rs485Radio_, &QRadioButton::toggled, idEdit_, &QLineEdit::setEnabled);
    scanBus_->setEnabled(rs485Radio_->isChecked());
    connect(rs485Radio_, &QRadioButton::toggled, scanBus_, &QPushButton::setEnabled);
    connect(scanBus_, &QPushButton::clicked, this, &CDlgRS232::OnScanBus);
    connect(portList_, &QComboBox::currentIndexChanged, this, &CDlgRS232::OnListSelection);
    connect(autoDetect_, &QPushButton::clicked, this, &CDlgRS232::OnAutoDetect);
    connect(ok_, &QPushButton::clicked, this, &CDlgRS232::accept);
    connect(cancel_, &QPushButton::clicked, this, &CDlgRS232::reject);
}

void CDlgRS232::SetTexts() {
    setWindowTitle(Qs(app_.Text("Link PC", "連結電腦")));
    modeGroup_->setTitle(Qs(app_.Text("Communication Mode", "通訊模式")));
    portLabel_->setText(Qs(app_.Text("COM Port Selection:", "序列埠選擇:")));
    hint_->setText(
        Qs(app_.Text("Select your PC COM Port, or you may click \"Auto Detect\" to "
                     "discover.",
                     "選擇您的電腦序列埠, 或是按\"自動偵測\" 來尋找.")));
    autoDetect_->setText(Qs(app_.Text("Auto Detect", "自動偵測")));
    scanBus_->setText(Qs(app_.Text("Scan Bus", "掃描匯流排")));
    ok_->setText(Qs(app_.Text("OK", "確定")));
    cancel_->setText(Qs(app_.Text("Cancel", "取消")));
}

void CDlgRS232::FillPortList() {
    const QSignalBlocker quiet(portList_);
    for (const int n : ports_.ExistingPorts()) {
        portList_->addItem(Qs(StrF("COM %d", n)));
    }
    portList_->setCurrentIndex(-1);
}

void CDlgRS232::SelectPortInList(int port) {
    const QSignalBlocker quiet(portList_);
    portList_->setCurrentIndex(portList_->findText(Qs(StrF("COM %d", port))));
}

void CDlgRS232::OnListSelection(int index) {
    selectedPort = static_cast<uint16_t>(ports_.PortAtListIndex(index));
}

uint16_t CDlgRS232::ChosenMode() const {
    return rs232Radio_->isChecked() ? kCommModeRs232 : kCommModeRs485;
}

int CDlgRS232::TypedId() const {
    bool number = false;
    const int id = idEdit_->text().trimmed().toInt(&number);
    return number && id >= kLowestRs485Id && id <= kHighestRs485Id ? id : 0;
}

void CDlgRS232::ShowIdError() {
    window_.ShowMessage(app_.Text("RS485 ID must be a whole number from 1 to 255.",
                                  "RS485 ID 必須是 1 到 255 之間的整數."),
                        app_.Text("Error", "錯誤"), MessageIcon::Stop);
    idEdit_->setFocus();
    idEdit_->selectAll();
}

void CDlgRS232::ShowProbe(int port, int rs485Id) {
    probeLine_->setText(
        Qs(rs485Id == 0
               ? StrF(app_.Text("Probing COM%d ...", "偵測 COM%d 中 ..."), port)
               : StrF(app_.Text("Probing COM%d, RS485 ID %d ...", "偵測 COM%d, RS485 ID %d 中 ..."),
                      port, rs485Id)));
    if (probeHook_) {
        probeHook_(port, rs485Id);
    }
}

void CDlgRS232::OnAutoDetect() {
    // The walk runs in the mode the radios show; the application takes that mode only with
    // OK. An ID typed for RS485 is the first one tried; a walk that finds nothing leaves the
    // ID as it was.
    LinkAddress start = LinkAddress::FromSettings(ChosenMode(), app_.rs485Id);
    if (start.framing == Framing::Rs485Binary && TypedId() != 0) {
        start.rs485Id = static_cast<uint8_t>(TypedId());
    }
    CControllerLink& link = commands_.Link();
    CAutoDetect detect(port_, link.Clock(), link.Trace());
    // Told on the link's thread: the probe line changes on the dialog's.
    detect.SetProbeHook([this](int port, int rs485Id) {
        QMetaObject::invokeMethod(
            this, [this, port, rs485Id] { ShowProbe(port, rs485Id); }, Qt::AutoConnection);
    });
    DetectResult found;
    commands_.ClearCancel();  // a Cancel of an earlier walk counts for that one only
    SetDetecting(true);
    commands_.Exchange([this, &detect, &found, start] {
        found = detect.Run(ports_, start, commands_.CancelFlag());
    });
    SetDetecting(false);
    probeLine_->clear();
    const bool cancelled = commands_.CancelRequested();
    if (found.port == 0 && cancelled) {
        return;  // the user stopped the walk: nothing to tell
    }
    const DetectVerdict verdict = JudgeDetect(found, app_.english != 0);
    window_.ShowMessage(verdict.text, verdict.caption,
                        verdict.found ? MessageIcon::Information : MessageIcon::Stop);
    if (!verdict.found) {
        return;
    }
    // The ID the controller answers to stays, whichever mode OK takes.
    app_.rs485Id = found.address.rs485Id;
    if (getParameters_) {
        getParameters_(found.address);
    }
    selectedPort = static_cast<uint16_t>(found.port);
    SelectPortInList(found.port);
    idEdit_->setText(QString::number(app_.rs485Id));
}

void CDlgRS232::SetDetecting(bool detecting) {
    detecting_ = detecting;
    for (QWidget* widget : std::initializer_list<QWidget*>{modeGroup_, portList_, autoDetect_,
                                                           scanBus_, idEdit_, ok_}) {
        if (widget != nullptr) {
            widget->setEnabled(!detecting);
        }
    }
    if (!detecting) {
        idEdit_->setEnabled(ChosenMode() == kCommModeRs485);
        scanBus_->setEnabled(ChosenMode() == kCommModeRs485);
    }
}

void CDlgRS232::reject() {
    if (detecting_) {
        commands_.CancelExchange();  // the dialog stays: the walk ends first
        return;
    }
    QDialog::reject();
}

void CDlgRS232::OnScanBus() {
    if (!ports_.Exists(selectedPort)) {
        window_.ShowMessage(app_.Text("Select a COM port first.", "請先選擇序列埠."),
                            app_.Text("Error", "錯誤"), MessageIcon::Stop);
        return;
    }
    CDlgBusScan scan(app_, port_, commands_.Link().Clock(), commands_.Link().Trace(), selectedPort,
                     this);
    if (scan.exec() == QDialog::Accepted) {
        idEdit_->setText(QString::number(scan.ChosenId()));
    }
}

void CDlgRS232::accept() {
    const uint16_t mode = ChosenMode();
    if (mode == kCommModeRs485) {
        const int id = TypedId();
        if (id == 0) {
            ShowIdError();
            return;
        }
        app_.rs485Id = static_cast<uint16_t>(id);
    }
    app_.commMode = mode;
    QDialog::accept();
}

}  // namespace zelt
