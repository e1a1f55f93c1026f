#pragma once

#include <cstdint>
#include <string>

#include "link/SerialPort.h"

namespace zelt {

// The one serial port of the program, on POSIX termios. A COM number names a device through
// the port folder (see PortNames.h). Opened exclusive, raw, 8N1, non-blocking.
class CComPort final : public ISerialPort {
public:
    CComPort() = default;
    ~CComPort() override;
    CComPort(const CComPort&) = delete;
    CComPort& operator=(const CComPort&) = delete;

    // 1 on success (also when already open, changing nothing), 0 on failure.
    int Open(int portNumber, int baudRate);
    // Always 1.
    int Close();
    int Write(const uint8_t* buffer, int count) override;
    int GetBytesWaiting() override;
    int Read(uint8_t* buffer, int limit) override;
    void WaitForInput(int maxMs) override;
    void SetCommMode(uint16_t commMode) override { commMode_ = commMode; }

    bool IsOpen() const { return opened_ != 0; }
    // The port description the open composed, "COM%d:%d,n,8,1"; empty when closed.
    const std::string& Description() const { return description_; }

private:
    int fd_ = -1;
    uint32_t opened_ = 0;
    uint16_t commMode_ = 232;
    std::string description_;
};

// The program's serial port object.
extern CComPort theComPort;

}  // namespace zelt
