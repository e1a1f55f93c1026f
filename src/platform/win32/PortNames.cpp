#include "link/PortNames.h"

#include "base/Trace.h"

namespace zelt {

// Windows names its serial ports itself: there is no port folder, and ZELT_PORT_DIR means
// nothing here.
std::string PortDirectory() {
    return "";
}

bool PortDirectoryIsExplicit() {
    return false;
}

bool PortDirectoryIsEmpty() {
    return false;
}

// The device namespace's name, which also reaches COM10 and above.
std::string ComDevicePath(int portNumber) {
    if (portNumber < kFirstComPort || portNumber > kLastComPort) {
        return "";
    }
    return StrF("\\\\.\\COM%d", portNumber);
}

}  // namespace zelt
