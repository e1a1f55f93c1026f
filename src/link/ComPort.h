#pragma once

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
    // rate the line does not have. A failed open leaves the object closed.
    int Open(int portNumber, int baudRate);
    // Always 1.
    int Close();
    int Write(const uint8_t* buffer, int count) override;
    int GetBytesWaiting() override;
    int Read(uint8_t* buffer, int limit) override;
    void WaitForInput(int maxMs) override;
    void SetCommMode(uint16_t commMode) override { commMode_ = commMode; }

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

    int fd_ = -1;
    uint32_t opened_ = 0;
    int portNumber_ = 0;
    int byteTimeUs_ = 521;  // one 10-bit character at the open baud rate
    uint16_t commMode_ = 232;
    std::string description_;
};

// The program's serial port object.
extern CComPort theComPort;

}  // namespace zelt
