#include "PseudoTerminal.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace kvrn {

namespace {

std::string Failure(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

}  // namespace

PseudoTerminal::~PseudoTerminal() {
    Close();
}

bool PseudoTerminal::Open(std::string* error) {
    Close();
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master_ < 0) {
        *error = Failure("posix_openpt");
        return false;
    }
    char name[128] = {};
    if (grantpt(master_) != 0 || unlockpt(master_) != 0 ||
        ptsname_r(master_, name, sizeof name) != 0) {
        *error = Failure("pseudo-terminal set-up");
        Close();
        return false;
    }
    slavePath_ = name;
    heldSlave_ = open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (heldSlave_ < 0) {
        *error = Failure("open of the terminal");
        Close();
        return false;
    }
    // Raw on the line's side so no byte is altered or echoed (no CR/NL translation either
    // way) even before a client sets its own modes.
    termios modes{};
    tcgetattr(heldSlave_, &modes);
    cfmakeraw(&modes);
    modes.c_cflag |= CLOCAL | CREAD;
    cfsetispeed(&modes, B19200);
    cfsetospeed(&modes, B19200);
    if (tcsetattr(heldSlave_, TCSANOW, &modes) != 0) {
        *error = Failure("raw mode");
        Close();
        return false;
    }
    return true;
}

void PseudoTerminal::Close() {
    if (heldSlave_ >= 0)
        close(heldSlave_);
    if (master_ >= 0)
        close(master_);
    heldSlave_ = -1;
    master_ = -1;
    slavePath_.clear();
}

}  // namespace kvrn
