#include "ScriptedComPort.h"

#include "base/Trace.h"
#include "link/ComPort.h"
#include "link/PortNames.h"

namespace zelt {

CComPort theComPort;

namespace {

// One fuzz process runs one input at a time, so one line behind every CComPort is enough.
ISerialPort*& Line() {
    static ISerialPort* line = nullptr;
    return line;
}

}  // namespace

namespace fuzzing {
void SetLineBehindComPort(ISerialPort* line) {
    Line() = line;
}
}  // namespace fuzzing

CComPort::~CComPort() {
    Close();
}

int CComPort::Open(int portNumber, int baudRate) {
    if (opened_ != 0) {
        return 1;
    }
    if (Line() == nullptr || portNumber < kFirstComPort || portNumber > kLastComPort ||
        baudRate <= 0) {
        return 0;
    }
    portNumber_ = portNumber;
    description_ = StrF("COM%d:%d,n,8,1", portNumber, baudRate);
    opened_ = 1;
    return 1;
}

int CComPort::Close() {
    opened_ = 0;
    portNumber_ = 0;
    description_.clear();
    return 1;
}

int CComPort::Write(const uint8_t* buffer, int count) {
    return opened_ != 0 && Line() != nullptr ? Line()->Write(buffer, count) : 0;
}

int CComPort::GetBytesWaiting() {
    return opened_ != 0 && Line() != nullptr ? Line()->GetBytesWaiting() : 0;
}

int CComPort::Read(uint8_t* buffer, int limit) {
    return opened_ != 0 && Line() != nullptr ? Line()->Read(buffer, limit) : 0;
}

// The scripted line is always there: it never goes away, and reopening keeps it.
bool CComPort::WentAway() {
    return false;
}

bool CComPort::Reopen() {
    return opened_ != 0;
}

void CComPort::WaitForInput(int maxMs) {
    if (Line() != nullptr) {
        Line()->WaitForInput(maxMs);
    }
}

}  // namespace zelt
