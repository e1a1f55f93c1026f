#pragma once
// "Scan Bus": walks the RS485 IDs on one port and lists each controller as it answers (ID and
// serial number). Choosing one (double-click, or select and OK) hands its ID back; Cancel
// stops the walk and ends the dialog. One ID per event-loop turn keeps the window responsive.
//
// Usage (the link dialog):
//   CDlgBusScan scan(app, port, clock, trace, comPort, this);
//   if (scan.exec() == QDialog::Accepted) idField = scan.ChosenId();

#include <QDialog>
#include <QTimer>
#include <memory>
#include <vector>

#include "config/MainApp.h"
#include "link/BusScan.h"
#include "link/ComPort.h"
#include "models/BusScanSession.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace zelt {

class CDlgBusScan : public QDialog {
  public:
    enum ControlId : int { IDOK = 1, IDCANCEL = 2, IDC_BUS_LIST = 1023, IDC_BUS_PROGRESS = 1024 };

    // Opens portNumber for the walk (a port that does not open ends the walk at once with
    // nothing found) and closes it when the dialog ends. The walk starts when the dialog shows.
    CDlgBusScan(const CMainApp& app, CComPort& port, ITickClock& clock, ITraceSink& trace,
                int portNumber, QWidget* parent = nullptr, int fromId = kFirstBusId,
                int toId = kLastBusId);

    // The ID chosen; 0 when none was.
    int ChosenId() const { return chosenId_; }
    const std::vector<BusController>& Found() const { return session_.Found(); }
    bool WalkEnded() const { return !walking_.isActive(); }

    void accept() override;
    void reject() override;

  private:
    void Step();
    void ShowProgress();
    void ChooseRow(int row);

    const CMainApp& app_;
    CBusScanSession session_;
    QTimer walking_;
    int chosenId_ = 0;
    QLabel* progress_ = nullptr;
    QListWidget* list_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace zelt
