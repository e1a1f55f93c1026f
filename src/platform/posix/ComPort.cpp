#include "link/ComPort.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <system_error>
#include <thread>

#include "base/Ticks.h"
#include "base/Trace.h"
#include "link/PortNames.h"

namespace zelt {

CComPort theComPort;

namespace {

using Steady = std::chrono::steady_clock;

constexpr int kWritePauseMs = 2;
constexpr int kRs232BytePauseMs = 3;
// No caller waits longer than a transaction's time-out; this only keeps a wild value bounded.
constexpr int kLongestInputWaitMs = 10000;

bool BaudConstant(int baudRate, speed_t* speed) {
    switch (baudRate) {
        case 1200:
            *speed = B1200;
            return true;
        case 2400:
            *speed = B2400;
            return true;
        case 4800:
            *speed = B4800;
            return true;
        case 9600:
            *speed = B9600;
            return true;
        case 19200:
            *speed = B19200;
            return true;
        case 38400:
            *speed = B38400;
            return true;
        case 57600:
            *speed = B57600;
            return true;
        case 115200:
            *speed = B115200;
            return true;
        case 230400:
            *speed = B230400;
            return true;
        default:
            return false;
    }
}

// What a read, write or ioctl fails with once the device behind the descriptor is gone: an
// unplugged adapter, a pseudo-terminal whose far end closed.
bool DeviceGone(int err) {
    return err == EIO || err == ENXIO || err == ENODEV || err == EPIPE;
}

int MsUntil(Steady::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Steady::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

}  // namespace

CComPort::~CComPort() {
    Close();
}

int CComPort::Open(int portNumber, int baudRate) {
    if (opened_ != 0) {
        return 1;
    }
    openFailure_ = 0;
    openBaudRate_ = baudRate;
    wentAway_ = false;
    const std::string device = ComDevicePath(portNumber);
    if (device.empty()) {
        Refuse(portNumber < kFirstComPort || portNumber > kLastComPort ? kRefusedNumber
               : PortDirectoryIsEmpty()                                ? kRefusedEmptyDir
                                                                       : kRefusedNoEntry);
        return 0;
    }
    fd_ = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) {
        Refuse(errno);
        return 0;
    }
    if (isatty(fd_) != 1) {
        struct stat info {};
        openFileType_ = fstat(fd_, &info) == 0 ? (info.st_mode & S_IFMT) : 0;
        Refuse(kRefusedNotTerminal);
        return 0;
    }
    // TIOCEXCL keeps other processes out but does not bind root; the advisory lock does, for
    // every program that also takes it.
    if (flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        Refuse(errno == EWOULDBLOCK ? kRefusedLocked : errno);
        return 0;
    }
    if (ioctl(fd_, TIOCEXCL) != 0) {
        Refuse(errno);
        return 0;
    }
    exclusive_ = 1;
    if (tcgetattr(fd_, &savedLine_) != 0) {
        Refuse(errno);
        return 0;
    }
    std::atomic_signal_fence(std::memory_order_release);  // savedLine_ before the flag
    lineSaved_ = 1;
    if (!ApplyLineSettings(baudRate)) {
        Refuse(kRefusedLine);
        return 0;
    }
    struct stat node {};
    device_ = fstat(fd_, &node) == 0 ? node.st_rdev : 0;
    devicePath_ = device;
    portNumber_ = portNumber;
    lastPortNumber_ = portNumber;
    description_ = StrF("COM%d:%d,n,8,1", portNumber, baudRate);
    byteTimeUs_ = 10 * 1000000 / baudRate;
    opened_ = 1;
    return 1;
}

void CComPort::Refuse(int reason) {
    openFailure_ = reason;
    if (fd_ >= 0) {
        RestoreLineNow();
        lineSaved_ = 0;
        exclusive_ = 0;
        close(fd_);  // also drops the advisory lock
        fd_ = -1;
    }
}

void CComPort::RestoreLineNow() const noexcept {
    if (fd_ < 0) {
        return;
    }
    if (lineSaved_ != 0) {
        (void)tcsetattr(fd_, TCSANOW, &savedLine_);
    }
    // Only a flag this object raised: the flag belongs to the device, not the descriptor,
    // and outlives it.
    if (exclusive_ != 0) {
        (void)ioctl(fd_, TIOCNXCL);
    }
}

std::string CComPort::OpenFailureText(bool english) const {
    switch (openFailure_) {
        case 0:
            return "";
        case kRefusedNumber:
            return english ? "not one of COM1 to COM40" : "不是 COM1 至 COM40 之一";
        case kRefusedEmptyDir:
            return english ? "ZELT_PORT_DIR is empty" : "ZELT_PORT_DIR 是空的";
        case kRefusedNoEntry:
        case ENOENT:
        case ENXIO:
        case ENODEV:
            return english ? "no such device" : "沒有此裝置";
        case kRefusedNotTerminal:
            switch (openFileType_) {
                case S_IFREG:
                    return english ? "not a serial port but a regular file"
                                   : "不是序列埠而是一般檔案";
                case S_IFIFO:
                    return english ? "not a serial port but a FIFO" : "不是序列埠而是管道";
                default:
                    return english ? "not a serial port" : "不是序列埠";
            }
        case ELOOP:
            return english ? "a loop of symbolic links" : "符號連結形成迴圈";
        case kRefusedLocked:
        case EBUSY:
            return english ? "in use by another program" : "已被其他程式使用";
        case EACCES:
        case EPERM:
            return english ? "permission denied" : "權限不足";
        case EISDIR:
            return english ? "not a serial port but a folder" : "不是序列埠而是資料夾";
        case kRefusedLine:
            return english ? StrF("the line does not take %d baud, 8N1", openBaudRate_)
                           : StrF("線路不接受 %d 鮑率, 8N1", openBaudRate_);
        default:
            return std::generic_category().message(openFailure_);
    }
}

bool CComPort::ApplyLineSettings(int baudRate) {
    speed_t speed = 0;
    termios tio{};
    if (!BaudConstant(baudRate, &speed) || tcgetattr(fd_, &tio) != 0) {
        return false;
    }
    cfmakeraw(&tio);
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_cc[VMIN] = 0;  // a read returns at once with what is queued
    tio.c_cc[VTIME] = 0;
    if (cfsetispeed(&tio, speed) != 0 || cfsetospeed(&tio, speed) != 0) {
        return false;
    }
    return tcsetattr(fd_, TCSANOW, &tio) == 0;
}

bool CComPort::Reopen() {
    if (!wentAway_) {
        return opened_ != 0;
    }
    const int portNumber = lastPortNumber_;
    const int baudRate = openBaudRate_;
    Close();
    if (Open(portNumber, baudRate) != 0) {
        return true;
    }
    wentAway_ = true;  // still gone: the next command tries again
    return false;
}

bool CComPort::WentAway() {
    if (opened_ != 0 && !wentAway_) {
        pollfd probe{fd_, 0, 0};  // no events asked: only a hang-up or an error answers
        if (poll(&probe, 1, 0) > 0) {
            NotePollEvents(probe.revents);
        }
    }
    return wentAway_;
}

void CComPort::NoteFailure(int err) {
    if (opened_ != 0 && DeviceGone(err)) {
        wentAway_ = true;
    }
}

void CComPort::NotePollEvents(short revents) {
    if (opened_ != 0 && (revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
        wentAway_ = true;
    }
}

void CComPort::CheckNodeStillThere() {
    struct stat node {};
    if (opened_ != 0 && (stat(devicePath_.c_str(), &node) != 0 || node.st_rdev != device_)) {
        wentAway_ = true;
    }
}

int CComPort::Close() {
    wentAway_ = false;
    if (opened_ == 0 || fd_ < 0) {
        return 1;
    }
    RestoreLineNow();
    lineSaved_ = 0;
    exclusive_ = 0;
    close(fd_);  // also drops the advisory lock
    fd_ = -1;
    opened_ = 0;
    portNumber_ = 0;
    description_.clear();
    return 1;
}

int CComPort::Write(const uint8_t* buffer, int count) {
    if (opened_ == 0 || wentAway_) {
        return 0;
    }
    SleepMs(kWritePauseMs);
    if (count < 1 || buffer == nullptr) {
        return 0;
    }
    for (int i = 0; i < count; ++i) {
        WriteByte(buffer[i]);
        if (wentAway_) {
            return 0;  // the rest has nowhere to go
        }
        if (commMode_ == 232) {
            SleepMs(kRs232BytePauseMs);
        }
    }
    return count;
}

void CComPort::WriteByte(uint8_t byte) {
    const Steady::time_point deadline =
        Steady::now() + std::chrono::milliseconds(kByteWriteTimeoutMs);
    for (;;) {
        const ssize_t written = write(fd_, &byte, 1);
        if (written == 1) {
            return;
        }
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            NoteFailure(errno);
            return;  // the byte is lost; the reply time-out will tell
        }
        const int left = MsUntil(deadline);
        if (left == 0) {
            return;  // abandoned after the write time-out
        }
        pollfd wait{fd_, POLLOUT, 0};
        const int ready = poll(&wait, 1, left);
        if (ready < 0 && errno != EINTR) {
            return;
        }
        if (ready > 0 && (wait.revents & POLLOUT) == 0) {
            NotePollEvents(wait.revents);
            return;  // hung up or failed: no room will come
        }
    }
}

int CComPort::GetBytesWaiting() {
    if (opened_ == 0 || wentAway_) {
        return 0;
    }
    int queued = 0;
    if (ioctl(fd_, FIONREAD, &queued) != 0) {
        NoteFailure(errno);
        return 0;
    }
    return std::max(queued, 0);
}

int CComPort::Read(uint8_t* buffer, int limit) {
    if (opened_ == 0 || wentAway_ || buffer == nullptr || limit < 1) {
        return 0;
    }
    int n = GetBytesWaiting();
    if (n == 0) {
        return 0;
    }
    if (limit < n) {
        n = limit;
    }
    for (;;) {
        const ssize_t got = read(fd_, buffer, static_cast<size_t>(n));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got == 0) {
            wentAway_ = true;  // end of file where bytes were queued: the line hung up
        } else if (got < 0) {
            NoteFailure(errno);
        }
        return got > 0 ? static_cast<int>(got) : 0;
    }
}

void CComPort::WaitForInput(int maxMs) {
    if (maxMs <= 0) {
        return;
    }
    if (maxMs > kLongestInputWaitMs) {
        maxMs = kLongestInputWaitMs;
    }
    if (opened_ == 0 || wentAway_) {
        SleepMs(maxMs);  // nothing can arrive; sleeping spares the caller a busy loop
        return;
    }
    const Steady::time_point deadline = Steady::now() + std::chrono::milliseconds(maxMs);
    int queued = 0;
    if (ioctl(fd_, FIONREAD, &queued) == 0 && queued > 0) {
        // Part of a reply is already here and poll would answer at once: let the next
        // character cross the line instead of spinning on the bytes we have.
        const auto nap = std::min(
            std::chrono::microseconds(byteTimeUs_),
            std::chrono::duration_cast<std::chrono::microseconds>(deadline - Steady::now()));
        std::this_thread::sleep_for(nap);
        return;
    }
    for (;;) {
        pollfd wait{fd_, POLLIN, 0};
        const int ready = poll(&wait, 1, MsUntil(deadline));
        if (ready > 0 && (wait.revents & POLLIN) != 0) {
            NotePollEvents(wait.revents);  // a hang-up also reads as input
            return;
        }
        if (ready == 0) {
            CheckNodeStillThere();
            return;
        }
        if (ready < 0 && errno != EINTR) {
            SleepMs(MsUntil(deadline));
            return;
        }
        if (ready > 0) {
            // Hung up or failed without input: the caller learns it from WentAway at once.
            NotePollEvents(wait.revents);
            if (!wentAway_) {
                SleepMs(MsUntil(deadline));
            }
            return;
        }
    }
}

}  // namespace zelt
