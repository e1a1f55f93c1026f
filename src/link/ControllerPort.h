#pragma once
// The one way to open the port a controller hangs on: the controller's baud rate, and the
// refusal as the user reads it ("COM5 cannot be opened: no such device.").

#include <optional>
#include <string>

#include "link/ComPort.h"

namespace zelt {

// Both framings run at this rate.
constexpr int kControllerBaudRate = 19200;

// Why a port did not open, in both languages.
struct PortRefusal {
    std::string english;
    std::string chinese;

    const std::string& In(bool inEnglish) const { return inEnglish ? english : chinese; }
};

// Closes the port and opens COM portNumber at the controller's rate; the refusal when it did
// not open (the port is then closed).
std::optional<PortRefusal> OpenControllerPort(CComPort& port, int portNumber);

class CControllerLink;
// The same for link's port after the user chose a port: whatever answers there now may be
// another controller, so link forgets what it learnt of the last one (its voltage scale).
std::optional<PortRefusal> ReopenControllerPort(CComPort& port, int portNumber,
                                                CControllerLink& link);

}  // namespace zelt
