#pragma once

#include <sys/types.h>
#include <termios.h>

#include <csignal>
#include <cstdint>
#include <string>

#include "link/SerialPort.h"

namespace zelt {

// The one serial port of the program. A COM number names a device through the port folder
// (see PortNames.h). The port is opened exclusive, raw, 8N1 at the given baud rate, and never
// blocks: reads return what is queued, a byte that cannot be written within 1000 ms is
// abandoned. This is the POSIX (termios) implementation; a Win32 one keeps the same surface.
class CComPort final : public ISerialPort {
  public:
    CComPort() = default;
    ~CComPort() override;
    CComPort(const CComPort&) = delete;
    CComPort& operator=(const CComPort&) = delete;

    // 1 on success (also when already open, changing nothing), 0 on failure: a number outside
    // 1..40, no device, a device that is not a terminal, a port that another holds, a baud
    // rate the line does not have. A failed open leaves the object closed, and
    // OpenFailureText tells why. The line settings found at the open are kept for Close.
    int Open(int portNumber, int baudRate);
    // Always 1. Puts back the line settings the open found and releases exclusive mode, so
    // that the next program finds the port as it was. A port closed on purpose is no longer
    // one that went away.
    int Close();
    // Close's restoring part, for a signal handler: async-signal-safe (tcsetattr and ioctl
    // only, on members that Open sets before it raises lineSaved_). Leaves the object open.
    void RestoreLineNow() const noexcept;
    // Why the last Open failed, in English (true) or Chinese: "no such device", "in use by
    // another program"... Empty after a successful open.
    std::string OpenFailureText(bool english) const;
    int Write(const uint8_t* buffer, int count) override;
    int GetBytesWaiting() override;
    int Read(uint8_t* buffer, int limit) override;
    void WaitForInput(int maxMs) override;
    void SetCommMode(uint16_t commMode) override { commMode_ = commMode; }
    bool WentAway() override;
    // Closes the port that went away and opens the same COM number at the same baud rate:
    // whatever the port folder names now (a replugged adapter, a restarted simulator).
    bool Reopen() override;

    bool IsOpen() const { return opened_ != 0; }
    // The port number of the open port, 0 when closed.
    int PortNumber() const { return opened_ != 0 ? portNumber_ : 0; }
    // The port description the open composed, "COM%d:%d,n,8,1"; empty when closed.
    const std::string& Description() const { return description_; }

    // A byte write that stays pending this long is abandoned.
    static constexpr int kByteWriteTimeoutMs = 1000;

  private:
    // Raw 8N1 at baudRate on fd_; false when the line refuses it.
    bool ApplyLineSettings(int baudRate);
    // Writes one byte, waiting up to kByteWriteTimeoutMs for room; failures are ignored.
    void WriteByte(uint8_t byte);
    // A failed call with err, or poll events: the device hung up or is gone.
    void NoteFailure(int err);
    void NotePollEvents(short revents);
    // The line is silent: is the node the open found still what the port's path names?
    void CheckNodeStillThere();

    // What made the last Open fail: an errno value, or one of the kRefused* codes below.
    void Refuse(int reason);
    static constexpr int kRefusedNumber = -1;       // not COM1..COM40
    static constexpr int kRefusedEmptyDir = -2;     // ZELT_PORT_DIR set to nothing
    static constexpr int kRefusedNoEntry = -3;      // the folder names no such port
    static constexpr int kRefusedNotTerminal = -4;  // openFileType_ tells what it is
    static constexpr int kRefusedLocked = -5;       // another holds the advisory lock
    static constexpr int kRefusedLine = -6;         // the line refused the settings

    int fd_ = -1;
    uint32_t opened_ = 0;
    // Set once savedLine_ holds the line as the open found it; read by RestoreLineNow.
    volatile sig_atomic_t lineSaved_ = 0;
    volatile sig_atomic_t exclusive_ = 0;  // TIOCEXCL raised by this object
    termios savedLine_{};
    int openFailure_ = 0;
    unsigned openFileType_ = 0;
    int openBaudRate_ = 0;
    int portNumber_ = 0;
    int lastPortNumber_ = 0;  // the last port opened, for Reopen
    bool wentAway_ = false;
    std::string devicePath_;  // what the port folder named at the open
    dev_t device_ = 0;        // the node opened (st_rdev), to tell a replaced one
    int byteTimeUs_ = 521;    // one 10-bit character at the open baud rate
    uint16_t commMode_ = 232;
    std::string description_;
};

// The program's serial port object.
extern CComPort theComPort;

}  // namespace zelt
