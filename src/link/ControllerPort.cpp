#include "link/ControllerPort.h"

#include "base/Trace.h"
#include "link/ControllerLink.h"

namespace zelt {

std::optional<PortRefusal> OpenControllerPort(CComPort& port, int portNumber) {
    port.Close();
    if (port.Open(portNumber, kControllerBaudRate) != 0) {
        return std::nullopt;
    }
    // The utility's own text first, then the reason.
    return PortRefusal{
        StrF("COM%d cannot be opened: %s.", portNumber, port.OpenFailureText(true).c_str()),
        StrF("無法開啟 COM%d: %s.", portNumber, port.OpenFailureText(false).c_str())};
}

std::optional<PortRefusal> ReopenControllerPort(CComPort& port, int portNumber,
                                                CControllerLink& link) {
    link.ForgetController();
    return OpenControllerPort(port, portNumber);
}

}  // namespace zelt
