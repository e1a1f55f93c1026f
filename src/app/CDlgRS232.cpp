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
#include "models/DialogTexts.h"
#include "ui/WidgetIds.h"

namespace zelt {

namespace {

constexpr int kDialogWidth = 280;
constexpr int kIdEditWidth = 60;

// The port list shows what exists now; the port stays closed until Auto Detect opens one.
CPortTable ExistingPorts(CComPort& port) {
    CPortTable ports;
    ports.Enumerate(port);
    return ports;
}

}  // namespace

CDlgRS232::CDlgRS232(CMainApp& app, CComPort& port, CControllerCommands& commands,
                     IControllerWindow& window, GetParameters getParameters, QWidget* parent)
    : QDialog(parent),
      app_(app),
      port_(port),
      commands_(commands),
      window_(window),
      getParameters_(std::move(getParameters)),
      model_(app, ExistingPorts(port)) {
    BuildControls();
    FillPortList();
    SelectPortInList(app_.comPort);
    SetTexts();
}

void CDlgRS232::BuildControls() {
    setFixedWidth(kDialogWidth);

    modeGroup_ = Named(new QGroupBox(this), IDC_MODE_GROUP);
    rs232Radio_ = Named(new QRadioButton(modeGroup_), IDC_RS232);
    rs485Radio_ = Named(new QRadioButton(modeGroup_), IDC_RS485);
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
    idLabel_ = Named(new QLabel(this), IDC_RS485_ID_LABEL);
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

    SetDetecting(false);
    connect(rs485Radio_, &QRadioButton::toggled, this, [this] {
        if (!detecting_) {
            SetDetecting(false);  // the mode's controls follow the radios
        }
    });
    connect(scanBus_, &QPushButton::clicked, this, &CDlgRS232::OnScanBus);
    connect(portList_, &QComboBox::currentIndexChanged, this, &CDlgRS232::OnListSelection);
    connect(autoDetect_, &QPushButton::clicked, this, &CDlgRS232::OnAutoDetect);
    connect(ok_, &QPushButton::clicked, this, &CDlgRS232::accept);
    connect(cancel_, &QPushButton::clicked, this, &CDlgRS232::reject);
}

void CDlgRS232::SetTexts() {
    const LinkDialogTexts labels = MakeLinkDialogTexts(app_);
    setWindowTitle(Qs(labels.caption));
    modeGroup_->setTitle(Qs(labels.modeGroup));
    rs232Radio_->setText(Qs(labels.rs232));
    rs485Radio_->setText(Qs(labels.rs485));
    portLabel_->setText(Qs(labels.portLabel));
    hint_->setText(Qs(labels.hint));
    autoDetect_->setText(Qs(labels.autoDetect));
    scanBus_->setText(Qs(labels.scanBus));
    idLabel_->setText(Qs(labels.idLabel));
    ok_->setText(Qs(labels.ok));
    cancel_->setText(Qs(labels.cancel));
}

void CDlgRS232::FillPortList() {
    const QSignalBlocker quiet(portList_);
    for (const std::string& entry : model_.PortEntries()) {
        portList_->addItem(Qs(entry));
    }
    portList_->setCurrentIndex(-1);
}

void CDlgRS232::SelectPortInList(int port) {
    const QSignalBlocker quiet(portList_);
    portList_->setCurrentIndex(model_.ListIndexOfPort(port));
}

void CDlgRS232::OnListSelection(int index) {
    model_.SelectListIndex(index);
}

uint16_t CDlgRS232::ChosenMode() const {
    return rs232Radio_->isChecked() ? kCommModeRs232 : kCommModeRs485;
}

std::string CDlgRS232::IdField() const {
    return idEdit_->text().toStdString();
}

void CDlgRS232::ShowIdError() {
    window_.ShowMessage(Rs485IdErrorText(app_), Pick(app_, texts::kErrorCaption),
                        MessageIcon::Stop);
    idEdit_->setFocus();
    idEdit_->selectAll();
}

void CDlgRS232::ShowProbe(int port, int rs485Id) {
    probeLine_->setText(Qs(DetectProbeText(app_, port, rs485Id)));
    if (probeHook_) {
        probeHook_(port, rs485Id);
    }
}

void CDlgRS232::OnAutoDetect() {
    // The walk runs in the mode the radios show; the application takes that mode only with
    // OK.
    const LinkAddress start = model_.DetectStart(ChosenMode(), IdField());
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
        found = detect.Run(model_.Ports(), start, commands_.CancelFlag());
    });
    SetDetecting(false);
    probeLine_->clear();
    const std::optional<DetectVerdict> verdict =
        model_.DetectEnded(found, commands_.CancelRequested());
    if (!verdict) {
        return;
    }
    window_.ShowMessage(verdict->text, verdict->caption,
                        verdict->found ? MessageIcon::Information : MessageIcon::Stop);
    if (!verdict->found) {
        return;
    }
    if (getParameters_) {
        SetDetecting(true);  // the Get takes Cancel alone, as the walk did
        getParameters_(found.address);
        SetDetecting(false);
    }
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
        const bool rs485 = CLinkDialogModel::Rs485ControlsEnabled(ChosenMode());
        idEdit_->setEnabled(rs485);
        scanBus_->setEnabled(rs485);
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
    if (!model_.CanScanBus()) {
        window_.ShowMessage(NoPortForScanText(app_), Pick(app_, texts::kErrorCaption),
                            MessageIcon::Stop);
        return;
    }
    CDlgBusScan scan(app_, port_, commands_.Link().Clock(), commands_.Link().Trace(),
                     model_.selectedPort, this);
    if (scan.exec() == QDialog::Accepted) {
        idEdit_->setText(QString::number(scan.ChosenId()));
    }
}

void CDlgRS232::accept() {
    if (!model_.Accept(ChosenMode(), IdField())) {
        ShowIdError();
        return;
    }
    QDialog::accept();
}

}  // namespace zelt
