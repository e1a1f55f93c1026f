#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "link/SerialPort.h"

namespace zelt {

// The one serial port of the program, on the Win32 serial API. COMn is "\\.\COMn", which
// Windows opens exclusively. The port is set raw, 8N1 at the given baud rate with no flow
// control, and never blocks: reads return what is queued, a byte that cannot be written
// within 1000 ms is abandoned. The surface is the POSIX implementation's.
class CComPort final : public ISerialPort {
  public:
    CComPort() = default;
    ~CComPort() override;
    CComPort(const CComPort&) = delete;
    CComPort& operator=(const CComPort&) = delete;

    // 1 on success (also when already open, changing nothing), 0 on failure: a number outside
    // 1..40, no such port, a port that another program holds, access denied, a name that is no
    // serial port, a baud rate the line does not take. A failed open leaves the object closed, and
    // OpenFailureText tells why. The line settings (DCB, time-outs) found at the open are kept for
    // Close.
    int Open(int portNumber, int baudRate);
    // Always 1. Puts back the line settings the open found. A port closed on purpose is no
    // longer one that went away.
    int Close();
    // Close's restoring part, for the console control handler (which runs on a thread of its
    // own while the program may be anywhere). Leaves the object open.
    void RestoreLineNow() const noexcept;
    // Why the last Open failed, in English (true) or Chinese. Empty after a successful open.
    std::string OpenFailureText(bool english) const;
    int Write(const uint8_t* buffer, int count) override;
    int GetBytesWaiting() override;
    int Read(uint8_t* buffer, int limit) override;
    void WaitForInput(int maxMs) override;
    void SetCommMode(uint16_t commMode) override { commMode_ = commMode; }
    bool WentAway() override;
    // Closes the port that went away and opens the same COM number at the same baud rate.
    bool Reopen() override;

    bool IsOpen() const { return opened_ != 0; }
    int PortNumber() const { return opened_ != 0 ? portNumber_ : 0; }
    const std::string& Description() const { return description_; }

    static constexpr int kByteWriteTimeoutMs = 1000;

  private:
    bool ApplyLineSettings(int baudRate);
    void WriteByte(uint8_t byte);
    // The last call failed with err: was it the device going away?
    void NoteFailure(DWORD err);
    void Refuse(DWORD reason);
    // Waits for an overlapped call on handle_ for at most ms; false (the call cancelled)
    // when it did not end in time or failed. *done receives the byte count.
    bool Finish(OVERLAPPED& call, BOOL started, DWORD ms, DWORD* done);

    static constexpr DWORD kRefusedNumber = 0xE0000001;     // not COM1..COM40
    static constexpr DWORD kRefusedLine = 0xE0000002;       // the line refused the settings
    static constexpr DWORD kRefusedNotSerial = 0xE0000003;  // openFileType_ tells what it is

    HANDLE handle_ = INVALID_HANDLE_VALUE;
    HANDLE event_ = nullptr;  // the overlapped calls' event
    uint32_t opened_ = 0;
    volatile LONG lineSaved_ = 0;
    DCB savedLine_{};
    COMMTIMEOUTS savedTimeouts_{};
    bool timerRaised_ = false;  // timeBeginPeriod(1) in force for this opening
    DWORD openFailure_ = 0;
    DWORD openFileType_ = FILE_TYPE_UNKNOWN;
    int openBaudRate_ = 0;
    int portNumber_ = 0;
    int lastPortNumber_ = 0;
    bool wentAway_ = false;
    int byteTimeUs_ = 521;
    uint16_t commMode_ = 232;
    std::string description_;
};

// The program's serial port object.
extern CComPort theComPort;

}  // namespace zelt
