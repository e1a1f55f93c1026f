#pragma once
// A pseudo-terminal where nobody answers: a port that opens but stays silent. It keeps what
// was written to it for Received().

#include <fcntl.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace zelt::testing {

// The line settings of the terminal device at path and its exclusive mode (TIOCGEXCL), as a
// fresh open sees them: what a program found, and must leave, there.
inline std::string LineState(const std::string& path) {
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        return "cannot open: " + std::to_string(errno);
    }
    termios tio{};
    int exclusive = -1;
    tcgetattr(fd, &tio);
    ioctl(fd, TIOCGEXCL, &exclusive);
    close(fd);
    return "lflag " + std::to_string(tio.c_lflag) + " cflag " + std::to_string(tio.c_cflag) +
           " vmin " + std::to_string(tio.c_cc[VMIN]) + " exclusive " + std::to_string(exclusive);
}

class SilentTerminal {
  public:
    SilentTerminal() {
        int slave = -1;
        char name[256] = {};
        if (openpty(&master_, &slave, name, nullptr, nullptr) == 0) {
            close(slave);
            path = name;
            fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
        }
    }
    ~SilentTerminal() {
        if (master_ >= 0) {
            close(master_);
        }
    }
    SilentTerminal(const SilentTerminal&) = delete;
    SilentTerminal& operator=(const SilentTerminal&) = delete;

    // Everything written to the terminal since the last call.
    std::string Received() {
        std::string got;
        char chunk[256];
        for (ssize_t n; (n = read(master_, chunk, sizeof chunk)) > 0;) {
            got.append(chunk, static_cast<size_t>(n));
        }
        return got;
    }

    // Puts bytes on the line as if a peer had sent them.
    void Send(const std::string& bytes) {
        if (write(master_, bytes.data(), bytes.size()) < 0) {
            path.clear();  // a terminal that cannot be written to fails the caller's checks
        }
    }

    // The line settings the program's end has set, as tcgetattr gives them.
    int Attributes(termios* settings) const { return tcgetattr(master_, settings); }

    std::string path;  // the name a program opens, e.g. /dev/pts/7

  private:
    int master_ = -1;
};

}  // namespace zelt::testing
