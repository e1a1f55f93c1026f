#pragma once
// The controller side of the main window: every read and write command, the status read and
// live telemetry, and the panel's one-second step. The GUI and zeltctl drive the same object;
// whatever needs a window goes through ILinkHost.
//
// Usage:
//   CControllerLink link(theApp, theComPort, ProcessTickClock(), trace, host, wallClock);
//   link.GetStatus();                  // 1 or 0
//   ReadAllParameters(link);           // Sequences.h
//   every second: link.OnPanelTimer(); // the panel timer (id 6) drives it
//
// Every command returns 1 on success and 0 on failure, runs in the mode of app.commMode
// (232 = RS232 ASCII, anything else RS485) and never throws.

#include <functional>
#include <string>

#include "base/Ticks.h"
#include "base/Trace.h"
#include "config/MainApp.h"
#include "link/LinkHost.h"
#include "link/SerialPort.h"
#include "link/Telemetry.h"
#include "link/Transaction.h"
#include "link/WallClock.h"

namespace zelt {

// A time of day of the controller or PC clock.
using ClockTime = TimeOfDay;

// The values the commands fill or read on the parameter panel's side.
struct PanelValues {
    int chargeCount = 0;
    float batteryVoltage = 0.0f;
    int batteryCapacity = 0;  // state of charge, percent
    float chargeVoltage = 0.0f;
    float chargeCurrent = 0.0f;
    float loadVoltage = 0.0f;
    float loadCurrent = 0.0f;  // as shown: 0 below 1 A while the load is off
    ClockTime rtcTime;         // running copy of the controller clock
    int rtcKnown = 0;          // the controller-clock-known flag
    ClockTime pcTime;          // PC clock as the timer last stored it
    ClockTime userTime;        // clock typed into the panel (CommitClockFields fills it)
    int usePcTime = 1;         // "Set as PC time" (radio 1053) selected
    std::string modeText;
    std::string lightingTimeText;
    int firmwareLoadOn = 0;
    int statusByte = -1;  // the last status byte read (mode, lighting time); -1 before
    int pollTicks = 3;    // so the first poll comes on the second tick
    // Main-window flags: link-busy stops the panel timer; battery-failed stops the seek.
    int linkBusy = 0;
    int batteryFailed = 0;
};

// Before item n (1-based) of total of a read-all or write-all; name is the item's trace name.
using SequenceProgress = std::function<void(int n, int total, const std::string& name)>;

class CControllerLink {
  public:
    // All references must outlive the object. The port's comm mode is set from app.commMode
    // before every command.
    CControllerLink(CMainApp& app, ISerialPort& port, ITickClock& clock, ITraceSink& trace,
                    ILinkHost& host, IWallClock& wallClock);

    // Folder that holds "MFG.ini" (with or without a trailing slash). Defaults to the folder
    // of the running executable.
    void SetMfgFolder(std::string folder) { mfgFolder_ = std::move(folder); }
    const std::string& MfgFolder() const { return mfgFolder_; }

    // Reported before each item of read-all and write-all (zeltctl shows progress with it).
    void SetProgressHook(SequenceProgress hook) { progress_ = std::move(hook); }
    void ReportProgress(int n, int total, const std::string& name) const {
        if (progress_) {
            progress_(n, total, name);
        }
    }

    CMainApp& App() { return app_; }
    const CMainApp& App() const { return app_; }
    CCfgDocument& Record() { return app_.config; }
    const CCfgDocument& Record() const { return app_.config; }
    ILinkHost& Host() { return host_; }
    ITraceSink& Trace() { return trace_; }
    ITickClock& Clock() { return clock_; }
    bool Rs232() const { return app_.commMode == kCommModeRs232; }

    // The panel-side values (public: the GUI panel and zeltctl read and set them directly).
    PanelValues panel;
    // Volts per count of the controller's 10-bit voltage words; set by every status read.
    double voltsPerCount = 24.5 / 1024;
    // (maxVout - minVout) / 100; recomputed by the sequences via UpdateVoltsPerPercent().
    double voltsPerPercent = 0.04;
    void UpdateVoltsPerPercent();

    // --- Read commands (decode into the record, the application object or the panel) ---
    int GetVoltForLoad();
    int GetLvdrPvOnOffDt();
    int GetAdvanceBattPara();  // RS485: sends nothing, returns 1
    int GetVModePwmFlag();
    int GetSchedule(int slot);  // appends to sectors (read-all empties them first)
    int GetDuration(int step);
    int GetFcvAcvOchtTc();
    int GetChargeCount();
    int GetRtc();
    int GetVersion();  // vendor check: message + RequestQuit(0), still returns 1
    int GetSerialNumber();

    // --- Write commands ---
    int SetVoltForLoad();
    int SetVModePwmFlag();  // RS485: sends nothing, returns 1
    int SetSchedule(int slot);
    int SetLvdLvr();           // RS232 forces dtTime to 60
    int SetAdvanceBattPara();  // RS485: sends nothing, returns 1
    int SetFcvAcvOchtTc();     // ochtTime below 6 becomes 60
    int SetPvDetect();
    int SetDuration(int step);
    int SetSwJpMode();
    int ResetChargeCount();
    int SetRtc();  // usePcTime: waits for a second boundary, sends pcTime; else userTime

    // --- Status and live telemetry ---
    int GetStatus();             // may post 1037; a failed battery runs the battery-fail path
    void LoadCurrentDivisors();  // "MFG.ini" in MfgFolder(); missing or 0 gives 172 / 213
    int GetBatteryVoltage();     // state of charge; over-voltage path on a 12 V system
    int GetChargeVoltage();
    int GetChargeCurrent();
    int GetLoadVoltage();
    int GetLoadCurrent();
    int GetSwitchMode();
    // The panel timer's one-second step: clocks, drift correction, and every fifth tick the
    // poll (status, then divisors and the live readings unless the link became busy).
    void OnPanelTimer();

    // --- Main-window reactions the host runs ---
    // Notification 1037: trace line and battery caption, under the wait cursor.
    void OnSystemVoltageChanged();
    // Notification 1038: the status read again.
    int OnRetryStatusRead() { return GetStatus(); }
    void UpdateBatteryCaption();
    void UpdateFirmwarePane();

  private:
    friend class CommandRunner;

    void BatteryFailPath();
    void ClearTelemetryDisplays();

    CMainApp& app_;
    ISerialPort& port_;
    ITickClock& clock_;
    ITraceSink& trace_;
    ILinkHost& host_;
    IWallClock& wallClock_;
    LinkIo io_;
    // A failed attempt may still be answered late: the next command first lets the line settle.
    bool settlePending_ = false;
    long failedAt_ = 0;
    std::string mfgFolder_;
    SequenceProgress progress_;
};

}  // namespace zelt
