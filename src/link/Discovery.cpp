#include "link/Discovery.h"

#include <cstring>

#include "link/Transaction.h"

namespace zelt {

namespace {

constexpr char kDetectRequest[] = "G7701\r";
constexpr int kDetectRequestLength = 6;
constexpr int kDetectMinReply = 3;
constexpr int kRs485Reply = 5;  // ID, function, count, the ID byte, checksum
constexpr int kRs485PauseMs = 25;
constexpr int kHighestProbedId = 250;

// One hexadecimal digit of the "G7701" reply (0-9, A-F, a-f); -1 for any other character.
int DetectDigit(uint8_t byte) {
    if (byte >= '0' && byte <= '9') {
        return byte - '0';
    }
    if (byte >= 'A' && byte <= 'F') {
        return byte - 'A' + 10;
    }
    if (byte >= 'a' && byte <= 'f') {
        return byte - 'a' + 10;
    }
    return -1;
}

const char* ReplyText(const uint8_t* reply) {
    return reinterpret_cast<const char*>(reply);
}

}  // namespace

void CPortTable::Enumerate(CComPort& port) {
    port.Close();
    available = AllAbsent();
    highestPort = 0;
    for (int n = kFirstComPort; n <= kLastComPort; ++n) {
        if (port.Open(n, kDiscoveryBaudRate) != 0) {
            available[n - 1] = static_cast<uint16_t>(n);
            port.Close();
            highestPort = static_cast<uint16_t>(n);
        }
    }
}

bool CPortTable::Exists(int portNumber) const {
    return portNumber >= kFirstComPort && portNumber <= kLastComPort &&
           available[portNumber - 1] != kNoPort;
}

std::vector<int> CPortTable::ExistingPorts() const {
    std::vector<int> ports;
    for (int n = kFirstComPort; n <= highestPort; ++n) {
        if (Exists(n)) {
            ports.push_back(n);
        }
    }
    return ports;
}

int CPortTable::PortAtListIndex(int index) const {
    const std::vector<int> ports = ExistingPorts();
    return index >= 0 && index < static_cast<int>(ports.size()) ? ports[index] : 0;
}

std::string CAutoDetect::FoundText(const CMainApp& app, int port) {
    return StrF(app.Text("Controller is found at COM%d.", "發現控制器於 COM%d."), port);
}

std::string CAutoDetect::FoundText(const CMainApp& app, int port, int rs485Id) {
    return StrF(app.Text("Controller is found at COM%d, RS485 ID = %d.",
                         "發現控制器於 COM%d, RS485 ID = %d."),
                port, rs485Id);
}

std::string CAutoDetect::FailedText(const CMainApp& app) {
    return app.Text("Failed to detect.\nCan not found Controller.", "偵測失敗.\n找不到控制器.");
}

int CAutoDetect::Run(const CPortTable& table, const std::function<void()>& getParameters) {
    CMainApp& app = link_.app;
    const bool rs232 = app.commMode == kCommModeRs232;
    foundPort_ = 0;
    foundId_ = 0;
    link_.port.SetCommMode(app.commMode);
    link_.host.BeginWaitCursor();
    for (const int n : table.ExistingPorts()) {
        link_.port.Close();
        if (link_.port.Open(n, kDiscoveryBaudRate) == 0) {
            continue;
        }
        if (rs232 ? ProbeRs232(n) : ProbeRs485(n)) {
            foundPort_ = n;
            break;
        }
    }
    link_.host.EndWaitCursor();
    if (foundPort_ == 0) {
        link_.port.Close();
        link_.host.ShowMessage(FailedText(app), app.Text("Detect Fail", "偵測失敗"),
                               MessageIcon::Stop);
        return 0;
    }
    const std::string text =
        rs232 ? FoundText(app, foundPort_) : FoundText(app, foundPort_, foundId_);
    link_.host.ShowMessage(text, app.Text("Detect OK", "偵測成功"), MessageIcon::Information);
    if (getParameters) {
        getParameters();
    }
    return foundPort_;
}

bool CAutoDetect::ProbeRs232(int portNumber) {
    ReportProbe(portNumber, 0);
    Drain();
    link_.port.Write(reinterpret_cast<const uint8_t*>(kDetectRequest), kDetectRequestLength);
    long elapsed = 0;
    if (!WaitForReply(kDetectMinReply, &elapsed)) {
        TraceF(link_.trace, "Auto Detect COM%d Time Out=%d ticks!\n", portNumber,
               static_cast<int>(elapsed));
        Drain();
        return false;
    }
    uint8_t reply[kReplyBufferSize] = {};
    link_.port.Read(reply, kReplyBufferSize - 1);
    if (reply[0] != 'R') {
        TraceF(link_.trace, "Auto Detect COM%d Fail, KVRN->PC:%s\n", portNumber, ReplyText(reply));
        return false;
    }
    // The reply carries the controller's RS485 device ID as two hex digits. Deliberately,
    // a reply whose two characters are not both hex digits ("R0G", "R:1", a short "R\r")
    // still finds the controller but keeps the old rs485Id: a guessed ID would later
    // address the wrong device.
    const int high = DetectDigit(reply[1]);
    const int low = DetectDigit(reply[2]);
    if (high >= 0 && low >= 0) {
        link_.app.rs485Id = static_cast<uint16_t>(16 * high + low);
    }
    foundId_ = link_.app.rs485Id;
    return true;
}

bool CAutoDetect::ProbeRs485(int portNumber) {
    if (ProbeRs485Id(portNumber, link_.app.rs485Id)) {
        return true;
    }
    for (int id = kHighestProbedId; id >= 1; --id) {
        if (ProbeRs485Id(portNumber, id)) {
            return true;
        }
    }
    return false;
}

bool CAutoDetect::ProbeRs485Id(int portNumber, int id) {
    const uint8_t deviceId = static_cast<uint8_t>(id & 0xFF);
    ReportProbe(portNumber, id);
    link_.clock.Sleep(kRs485PauseMs);
    Drain();  // a late answer to the previous ID must not pass for this one's
    uint8_t frame[6] = {deviceId, 4, 0x01, 0x03, 1, 0};
    frame[5] = Rs485Checksum(frame, 5);
    link_.port.Write(frame, 6);
    long elapsed = 0;
    if (!WaitForReply(kRs485Reply, &elapsed)) {
        TraceF(link_.trace, "Auto Detect COM%d RS485 ID%d Time Out=%d ticks!\n", portNumber, id,
               static_cast<int>(elapsed));
        Drain();
        return false;
    }
    uint8_t reply[kReplyBufferSize] = {};
    const int got = link_.port.Read(reply, kReplyBufferSize - 1);
    // Another device's answer, or a damaged one, must not find the controller at this ID.
    if (const char* why = Rs485ReplyFault(reply, got, frame, kRs485Reply)) {
        TraceF(link_.trace, "Auto Detect COM%d RS485 ID%d Fail, KVRN->PC:%s\n", portNumber, id,
               ReplyText(reply));
        TraceF(link_.trace, "Auto Detect COM%d RS485 ID%d reply refused: %s\n", portNumber, id,
               why);
        return false;
    }
    link_.app.rs485Id = static_cast<uint16_t>(id);
    foundId_ = id;
    return true;
}

bool CAutoDetect::WaitForReply(int minBytes, long* elapsed) {
    const long start = link_.clock.Now();
    for (;;) {
        const long now = link_.clock.Now();
        if (now - start > kProbeTimeoutTicks || now < start) {
            *elapsed = now - start;
            return false;
        }
        if (link_.port.GetBytesWaiting() >= minBytes) {
            return true;
        }
        link_.port.WaitForInput(static_cast<int>(kProbeTimeoutTicks - (now - start)) + 1);
    }
}

void CAutoDetect::Drain() {
    LinkIo io{link_.port, link_.clock, link_.trace};
    uint8_t buffer[kReplyBufferSize] = {};
    DrainInput(io, buffer, kReplyBufferSize);
}

SeekStepResult CSeekWalk::Step() {
    if (probing_ || ended_) {
        return SeekStepResult::Busy;
    }
    for (;;) {
        if (position_.value >= kLastComPort) {
            position_.value = 0;  // the walk starts again at COM1 on a later tick
            return SeekStepResult::Continue;
        }
        const int n = position_.value + 1;
        port_.Close();
        if (port_.Open(n, kDiscoveryBaudRate) == 0) {
            ++position_.value;
            continue;
        }
        TraceF(trace_, "Try to connect COM%d\n.", n);
        if (actions_.batteryFailed && actions_.batteryFailed()) {
            ended_ = true;
            return SeekStepResult::Stopped;
        }
        probing_ = true;
        const int answered = actions_.statusRead ? actions_.statusRead() : 0;
        if (answered == 0) {
            probing_ = false;
            ++position_.value;
            return SeekStepResult::Continue;
        }
        foundPort_ = n;
        if (actions_.getParameters) {
            actions_.getParameters();
        }
        probing_ = false;
        ended_ = true;
        return SeekStepResult::Found;
    }
}

}  // namespace zelt
