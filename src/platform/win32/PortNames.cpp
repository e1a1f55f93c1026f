#include "link/PortNames.h"

#include <windows.h>

#include "Wide.h"
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

// Each COMn the DOS device names hold (a driver's port, or under wine a dosdevices/comN link).
// A port in use by another program is listed too: opening it says why it cannot be had.
std::optional<std::vector<int>> SystemComPorts() {
    std::vector<int> ports;
    wchar_t target[MAX_PATH];
    for (int n = kFirstComPort; n <= kLastComPort; ++n) {
        const std::wstring name = win32::Wide(StrF("COM%d", n));
        if (QueryDosDeviceW(name.c_str(), target, MAX_PATH) != 0 ||
            GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
            ports.push_back(n);
        }
    }
    return ports;
}

}  // namespace zelt
