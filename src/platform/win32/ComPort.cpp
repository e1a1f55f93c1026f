#include "link/ComPort.h"

// after windows.h (link/ComPort.h), which it builds on
#include <mmsystem.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "Wide.h"
#include "base/Ticks.h"
#include "base/Trace.h"
#include "link/PortNames.h"

namespace zelt {

CComPort theComPort;

namespace {

using Steady = std::chrono::steady_clock;

constexpr int kWritePauseMs = 2;
constexpr int kRs232BytePauseMs = 3;
constexpr int kLongestInputWaitMs = 10000;

// What a serial call fails with once the device behind the handle is gone: an unplugged
// adapter, a driver that removed the port.
bool DeviceGone(DWORD err) {
    return err == ERROR_DEVICE_REMOVED || err == ERROR_BAD_COMMAND || err == ERROR_GEN_FAILURE ||
           err == ERROR_INVALID_HANDLE || err == ERROR_FILE_NOT_FOUND ||
           err == ERROR_DEVICE_NOT_CONNECTED || err == ERROR_BROKEN_PIPE;
}

int MsUntil(Steady::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Steady::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

}  // namespace

CComPort::~CComPort() {
    Close();
}

int CComPort::Open(int portNumber, int baudRate) {
    if (opened_ != 0) {
        return 1;
    }
    openFailure_ = 0;
    openBaudRate_ = baudRate;
    wentAway_ = false;
    const std::string device = ComDevicePath(portNumber);
    if (device.empty()) {
        Refuse(kRefusedNumber);
        return 0;
    }
    // No sharing: a COM port is exclusive by nature, and another holder makes this fail.
    handle_ = CreateFileW(win32::Wide(device).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                          OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (handle_ == INVALID_HANDLE_VALUE) {
        Refuse(GetLastError());
        return 0;
    }
    event_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (event_ == nullptr) {
        Refuse(GetLastError());
        return 0;
    }
    if (!GetCommState(handle_, &savedLine_) || !GetCommTimeouts(handle_, &savedTimeouts_)) {
        // A handle without line settings is no serial port: the name leads to a file, a pipe
        // or another device.
        openFileType_ = GetFileType(handle_);
        Refuse(kRefusedNotSerial);
        return 0;
    }
    InterlockedExchange(&lineSaved_, 1);
    if (!ApplyLineSettings(baudRate)) {
        Refuse(kRefusedLine);
        return 0;
    }
    // Pacing and reply time-outs count single milliseconds: the default 15.6 ms tick of the
    // system timer would stretch every pause.
    timerRaised_ = timeBeginPeriod(1) == TIMERR_NOERROR;
    portNumber_ = portNumber;
    lastPortNumber_ = portNumber;
    description_ = StrF("COM%d:%d,n,8,1", portNumber, baudRate);
    byteTimeUs_ = 10 * 1000000 / baudRate;
    opened_ = 1;
    return 1;
}

bool CComPort::ApplyLineSettings(int baudRate) {
    DCB line = savedLine_;
    line.DCBlength = sizeof line;
    line.BaudRate = static_cast<DWORD>(baudRate);
    line.ByteSize = 8;
    line.Parity = NOPARITY;
    line.StopBits = ONESTOPBIT;
    line.fBinary = TRUE;
    line.fParity = FALSE;
    line.fOutxCtsFlow = FALSE;
    line.fOutxDsrFlow = FALSE;
    line.fDtrControl = DTR_CONTROL_ENABLE;
    line.fDsrSensitivity = FALSE;
    line.fOutX = FALSE;
    line.fInX = FALSE;
    line.fErrorChar = FALSE;
    line.fNull = FALSE;
    line.fRtsControl = RTS_CONTROL_ENABLE;
    line.fAbortOnError = FALSE;
    // A read returns at once with what is queued; writes are bounded per byte by Finish.
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    return SetCommState(handle_, &line) && SetCommTimeouts(handle_, &timeouts) &&
           PurgeComm(handle_, PURGE_RXCLEAR | PURGE_TXCLEAR);
}

void CComPort::Refuse(DWORD reason) {
    openFailure_ = reason;
    if (handle_ != INVALID_HANDLE_VALUE) {
        RestoreLineNow();
        InterlockedExchange(&lineSaved_, 0);
        CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }
    if (event_ != nullptr) {
        CloseHandle(event_);
        event_ = nullptr;
    }
}

void CComPort::RestoreLineNow() const noexcept {
    if (handle_ == INVALID_HANDLE_VALUE || lineSaved_ == 0) {
        return;
    }
    DCB line = savedLine_;
    COMMTIMEOUTS timeouts = savedTimeouts_;
    (void)SetCommState(handle_, &line);
    (void)SetCommTimeouts(handle_, &timeouts);
}

std::string CComPort::OpenFailureText(bool english) const {
    switch (openFailure_) {
        case 0:
            return "";
        case kRefusedNumber:
            return english ? "not one of COM1 to COM40" : "不是 COM1 至 COM40 之一";
        case kRefusedLine:
            return english ? StrF("the line does not take %d baud, 8N1", openBaudRate_)
                           : StrF("線路不接受 %d 鮑率, 8N1", openBaudRate_);
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_BAD_UNIT:
        case ERROR_DEV_NOT_EXIST:
            return english ? "no such device" : "沒有此裝置";
        case ERROR_SHARING_VIOLATION:
        case ERROR_BUSY:
            return english ? "in use by another program" : "已被其他程式使用";
        // Windows answers a COM port that another program holds with "access denied".
        case ERROR_ACCESS_DENIED:
            return english ? "in use by another program, or access denied"
                           : "已被其他程式使用, 或權限不足";
        case kRefusedNotSerial:
            switch (openFileType_) {
                case FILE_TYPE_DISK:
                    return english ? "not a serial port but a regular file"
                                   : "不是序列埠而是一般檔案";
                case FILE_TYPE_PIPE:
                    return english ? "not a serial port but a pipe" : "不是序列埠而是管道";
                default:
                    return english ? "not a serial port" : "不是序列埠";
            }
        default:
            return english ? StrF("refused by Windows (error %lu)", openFailure_)
                           : StrF("被 Windows 拒絕 (錯誤 %lu)", openFailure_);
    }
}

bool CComPort::Reopen() {
    if (!wentAway_) {
        return opened_ != 0;
    }
    const int portNumber = lastPortNumber_;
    const int baudRate = openBaudRate_;
    Close();
    if (Open(portNumber, baudRate) != 0) {
        return true;
    }
    wentAway_ = true;
    return false;
}

bool CComPort::WentAway() {
    if (opened_ != 0 && !wentAway_) {
        (void)GetBytesWaiting();  // a port that went away fails the status query
    }
    return wentAway_;
}

void CComPort::NoteFailure(DWORD err) {
    if (opened_ != 0 && DeviceGone(err)) {
        wentAway_ = true;
    }
}

int CComPort::Close() {
    wentAway_ = false;
    if (opened_ == 0 || handle_ == INVALID_HANDLE_VALUE) {
        return 1;
    }
    RestoreLineNow();
    InterlockedExchange(&lineSaved_, 0);
    CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    CloseHandle(event_);
    event_ = nullptr;
    if (timerRaised_) {
        timeEndPeriod(1);
        timerRaised_ = false;
    }
    opened_ = 0;
    portNumber_ = 0;
    description_.clear();
    return 1;
}

bool CComPort::Finish(OVERLAPPED& call, BOOL started, DWORD ms, DWORD* done) {
    *done = 0;
    if (!started) {
        const DWORD err = GetLastError();
        if (err != ERROR_IO_PENDING) {
            NoteFailure(err);
            return false;
        }
        if (WaitForSingleObject(call.hEvent, ms) != WAIT_OBJECT_0) {
            CancelIo(handle_);
        }
    }
    if (!GetOverlappedResult(handle_, &call, done, TRUE)) {
        NoteFailure(GetLastError());
        return false;
    }
    return true;
}

int CComPort::Write(const uint8_t* buffer, int count) {
    if (opened_ == 0 || wentAway_) {
        return 0;
    }
    SleepMs(kWritePauseMs);
    if (count < 1 || buffer == nullptr) {
        return 0;
    }
    for (int i = 0; i < count; ++i) {
        WriteByte(buffer[i]);
        if (wentAway_) {
            return 0;
        }
        if (commMode_ == 232) {
            SleepMs(kRs232BytePauseMs);
        }
    }
    return count;
}

void CComPort::WriteByte(uint8_t byte) {
    OVERLAPPED call{};
    call.hEvent = event_;
    ResetEvent(event_);
    DWORD written = 0;
    const BOOL started = WriteFile(handle_, &byte, 1, nullptr, &call);
    (void)Finish(call, started, kByteWriteTimeoutMs, &written);  // a lost byte: the reply's
                                                                 // time-out tells
}

int CComPort::GetBytesWaiting() {
    if (opened_ == 0 || wentAway_) {
        return 0;
    }
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(handle_, &errors, &status)) {
        // The status query fails for no other reason than a port that is no longer there.
        wentAway_ = true;
        return 0;
    }
    return static_cast<int>(std::min<DWORD>(status.cbInQue, 0x7FFFFFFF));
}

int CComPort::Read(uint8_t* buffer, int limit) {
    if (opened_ == 0 || wentAway_ || buffer == nullptr || limit < 1) {
        return 0;
    }
    const int n = std::min(GetBytesWaiting(), limit);
    if (n <= 0) {
        return 0;
    }
    OVERLAPPED call{};
    call.hEvent = event_;
    ResetEvent(event_);
    DWORD got = 0;
    const BOOL started = ReadFile(handle_, buffer, static_cast<DWORD>(n), nullptr, &call);
    (void)Finish(call, started, kByteWriteTimeoutMs, &got);
    return static_cast<int>(got);
}

void CComPort::WaitForInput(int maxMs) {
    if (maxMs <= 0) {
        return;
    }
    maxMs = std::min(maxMs, kLongestInputWaitMs);
    if (opened_ == 0 || wentAway_) {
        SleepMs(maxMs);
        return;
    }
    const Steady::time_point deadline = Steady::now() + std::chrono::milliseconds(maxMs);
    if (GetBytesWaiting() > 0) {
        // Part of a reply is here: let the next character cross the line.
        const auto nap = std::min(
            std::chrono::microseconds(byteTimeUs_),
            std::chrono::duration_cast<std::chrono::microseconds>(deadline - Steady::now()));
        std::this_thread::sleep_for(nap);
        return;
    }
    // The queue is looked at every millisecond (the timer runs at 1 ms while the port is
    // open): as prompt as a comm event, and the same on every serial driver.
    while (!wentAway_ && MsUntil(deadline) > 0) {
        Sleep(1);
        if (GetBytesWaiting() > 0) {
            return;
        }
    }
}

}  // namespace zelt
