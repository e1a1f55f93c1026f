#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <mutex>
#include <thread>

#include "PseudoTerminal.h"
#include "base/Trace.h"
#include "kvrn/FaultPlan.h"
#include "kvrn/Sim.h"
#include "kvrn/SimController.h"

namespace kvrn {

namespace {

namespace fs = std::filesystem;

// One byte at 19200 baud, 8 data bits with start and stop bit: 10 bit times.
constexpr int64_t kByteTimeNs = 10LL * 1000000000 / 19200;
constexpr int64_t kIdleWaitNs = 100LL * 1000000;

int64_t SteadyNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

std::string WireText(Wire wire, const std::vector<uint8_t>& bytes) {
    if (wire == Wire::Rs232)
        return PrintableBytes(bytes);
    std::string text;
    for (uint8_t byte : bytes)
        text += zelt::StrF(text.empty() ? "%02X" : " %02X", byte);
    return text;
}

const char* WireName(Wire wire) {
    return wire == Wire::Rs232 ? "RS232" : "RS485";
}

}  // namespace

const char* FaultName(Fault fault) {
    switch (fault) {
        case Fault::None:
            return "none";
        case Fault::NoReply:
            return "no-reply";
        case Fault::LateReply:
            return "late";
        case Fault::TruncatedReply:
            return "truncated";
        case Fault::WrongLeader:
            return "wrong-leader";
        case Fault::Garbage:
            return "garbage";
        case Fault::Damaged:
            return "damaged";
        case Fault::OtherId:
            return "other-id";
    }
    return "none";
}

bool ParseFault(const std::string& name, Fault* fault) {
    for (Fault candidate : {Fault::None, Fault::NoReply, Fault::LateReply, Fault::TruncatedReply,
                            Fault::WrongLeader, Fault::Garbage, Fault::Damaged, Fault::OtherId}) {
        if (name == FaultName(candidate)) {
            *fault = candidate;
            return true;
        }
    }
    return false;
}

bool ValidateOptions(const SimOptions& options, std::string* error) {
    FirmwareVersion firmware;
    std::string reason;
    if (options.deviceId < 1 || options.deviceId > 255)
        reason = "the RS485 device ID must be 1 to 255";
    else if (options.vendorId < 0 || options.vendorId > 255)
        reason = "the vendor ID must be 0 to 255";
    else if (!ParseFirmware(options.firmware, &firmware))
        reason = "the firmware version must read like 3.12 (one major digit, one or two minor)";
    else if (!(options.faultFraction >= 0 && options.faultFraction <= 1))
        reason = "the fault fraction must be 0 to 1";
    else if (!(options.dropFraction >= 0 && options.dropFraction <= 1))
        reason = "the drop fraction must be 0 to 1";
    else if (options.lateReplyMs < 0 || options.lateReplyMs > 60000)
        reason = "the late-reply delay must be 0 to 60000 ms";
    else if (options.faultCount < 0)
        reason = "the fault count must not be negative";
    else if (!options.serialNumber.empty() &&
             (options.serialNumber.size() != reg::kSerialSize ||
              options.serialNumber.find_first_not_of("0123456789") != std::string::npos))
        reason = "the serial number must be 14 decimal digits";
    for (size_t i = 0; i < options.busIds.size() && reason.empty(); ++i) {
        const int id = options.busIds[i];
        if (id < 1 || id > 255)
            reason = "every bus ID must be 1 to 255";
        else if (std::count(options.busIds.begin(), options.busIds.begin() + i, id) > 0)
            reason = zelt::StrF("the bus ID %d is given twice", id);
    }
    if (reason.empty() && options.faultId != 0 &&
        std::count(options.busIds.begin(), options.busIds.end(), options.faultId) == 0)
        reason = "the fault ID must be one of the bus IDs";
    if (reason.empty())
        return true;
    if (error)
        *error = reason;
    return false;
}

SimOptions StationOptions(const SimOptions& bus, int id) {
    SimOptions one = bus;
    one.busIds.clear();
    one.deviceId = id;
    if (bus.serialNumber.size() == reg::kSerialSize)
        one.serialNumber =
            bus.serialNumber.substr(0, reg::kSerialSize - 3) + zelt::StrF("%03d", id);
    if (bus.faultId != 0 && bus.faultId != id) {
        one.fault = Fault::None;
        one.dropFraction = 0;
    }
    return one;
}

// One controller on the line: what it knows and how its replies go wrong.
struct Station {
    Station(const SimOptions& opts, int64_t nowMs)
        : controller(opts, nowMs),
          faults(opts.fault, opts.faultFraction, opts.dropFraction, opts.seed, opts.lateReplyMs,
                 opts.faultCount) {}
    SimController controller;
    FaultPlan faults;
};

struct SimServer::Impl {
    struct Delayed {
        int64_t dueNs;
        std::vector<uint8_t> bytes;
    };
    struct OutByte {
        int64_t deadlineNs;
        uint8_t byte;
    };

    explicit Impl(const SimOptions& opts) : options(opts) {
        const int64_t nowMs = SteadyNs() / 1000000;
        if (opts.busIds.empty())
            stations.emplace_back(opts, nowMs);
        for (int id : opts.busIds)
            stations.emplace_back(StationOptions(opts, id), nowMs);
    }
    // Station 0 stands for the line in the register and fault calls of the server.
    SimController& First() { return stations.front().controller; }

    void Serve();
    void Receive(const uint8_t* data, size_t size);
    void Enqueue(const std::vector<uint8_t>& bytes, int64_t startNs);
    void SendDue();
    int64_t NextWakeNs() const;
    void Trace(const char* direction, Wire wire, const std::vector<uint8_t>& bytes,
               const char* note = "") const;

    SimOptions options;
    mutable std::mutex mutex;  // guards the stations
    std::deque<Station> stations;
    PseudoTerminal pty;
    std::thread thread;
    std::atomic<bool> stopping{false};
    std::atomic<int> served{0};
    int wakeRead = -1;
    int wakeWrite = -1;
    std::string placedLink;
    std::string terminalPath;
    // Owned by the serving thread.
    std::deque<OutByte> outgoing;
    std::vector<Delayed> delayed;
    int64_t lastDeadlineNs = 0;
    int64_t startNs = SteadyNs();
};

void SimServer::Impl::Trace(const char* direction, Wire wire, const std::vector<uint8_t>& bytes,
                            const char* note) const {
    if (!options.trace)
        return;
    // Milliseconds since the server started, so a trace shows the reply timing too.
    const double ms = (SteadyNs() - startNs) / 1e6;
    std::fprintf(stderr, "kvrn-sim: %10.3f %s %s %s%s\n", ms, WireName(wire), direction,
                 WireText(wire, bytes).c_str(), note);
}

void SimServer::Impl::Enqueue(const std::vector<uint8_t>& bytes, int64_t startNs) {
    // One reply at a time on the line: a reply starts when the previous one has left.
    int64_t deadline = std::max(startNs, lastDeadlineNs);
    for (uint8_t byte : bytes) {
        if (options.lineRate)
            deadline += kByteTimeNs;  // the byte has fully arrived one byte time later
        outgoing.push_back({deadline, byte});
    }
    lastDeadlineNs = deadline;
}

void SimServer::Impl::Receive(const uint8_t* data, size_t size) {
    const int64_t nowNs = SteadyNs();
    std::vector<std::pair<Exchange, ShapedReply>> results;
    {
        std::lock_guard<std::mutex> lock(mutex);
        // Every controller hears every byte; ASCII has no address, so on a bus only the
        // first one answers it.
        for (size_t s = 0; s < stations.size(); ++s) {
            Station& station = stations[s];
            for (Exchange& exchange : station.controller.Feed(data, size, nowNs / 1000000)) {
                if (s > 0 && (exchange.request.wire == Wire::Rs232 || !exchange.forUs))
                    continue;
                ShapedReply shaped = station.faults.Shape(exchange.request.wire, exchange.reply);
                const std::string text(exchange.request.bytes.begin(),
                                       exchange.request.bytes.end());
                for (const std::string& muted : options.muted) {
                    if (exchange.request.wire == Wire::Rs232 && text.rfind(muted, 0) == 0)
                        shaped.bytes.clear();
                }
                results.emplace_back(std::move(exchange), std::move(shaped));
            }
        }
    }
    for (const auto& [exchange, shaped] : results) {
        const Wire wire = exchange.request.wire;
        Trace("<-", wire, exchange.request.bytes, exchange.forUs ? "" : " (not answered)");
        if (!exchange.forUs)
            continue;
        served.fetch_add(1);
        if (shaped.bytes.empty()) {
            Trace("->", wire, {}, "(no reply)");
        } else if (shaped.delayMs > 0) {
            Trace("->", wire, shaped.bytes, zelt::StrF(" (after %d ms)", shaped.delayMs).c_str());
            delayed.push_back({nowNs + shaped.delayMs * 1000000LL, shaped.bytes});
        } else {
            Trace("->", wire, shaped.bytes);
            Enqueue(shaped.bytes, nowNs);
        }
    }
}

void SimServer::Impl::SendDue() {
    const int64_t nowNs = SteadyNs();
    for (auto it = delayed.begin(); it != delayed.end();) {
        if (it->dueNs <= nowNs) {
            Enqueue(it->bytes, it->dueNs);
            it = delayed.erase(it);
        } else {
            ++it;
        }
    }
    std::vector<uint8_t> due;
    while (!outgoing.empty() && outgoing.front().deadlineNs <= nowNs) {
        due.push_back(outgoing.front().byte);
        outgoing.pop_front();
    }
    if (due.empty())
        return;
    // A full terminal queue (no client reading) drops the bytes, as a line would.
    const ssize_t written = write(pty.MasterFd(), due.data(), due.size());
    (void)written;
}

int64_t SimServer::Impl::NextWakeNs() const {
    int64_t next = SteadyNs() + kIdleWaitNs;
    if (!outgoing.empty())
        next = std::min(next, outgoing.front().deadlineNs);
    for (const Delayed& d : delayed)
        next = std::min(next, d.dueNs);
    return next;
}

void SimServer::Impl::Serve() {
    // Wake-ups close to the byte deadlines keep the line rate even.
    prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);
    uint8_t buffer[4096];
    while (!stopping.load()) {
        const int64_t waitNs = std::max<int64_t>(0, NextWakeNs() - SteadyNs());
        const timespec timeout{static_cast<time_t>(waitNs / 1000000000),
                               static_cast<long>(waitNs % 1000000000)};
        pollfd fds[2] = {{pty.MasterFd(), POLLIN, 0}, {wakeRead, POLLIN, 0}};
        const int ready = ppoll(fds, 2, &timeout, nullptr);
        if (ready < 0 && errno != EINTR)
            break;
        if (fds[1].revents & POLLIN)
            continue;  // Stop() woke us
        if (fds[0].revents & POLLIN) {
            const ssize_t n = read(pty.MasterFd(), buffer, sizeof buffer);
            if (n > 0)
                Receive(buffer, static_cast<size_t>(n));
        } else if (fds[0].revents & (POLLHUP | POLLERR)) {
            // Not expected while the held slave is open; do not spin if it happens.
            usleep(1000);
        }
        SendDue();
    }
}

SimServer::SimServer(SimOptions options) {
    // Invalid options still make a server; Start() reports them.
    SimOptions usable = options;
    FirmwareVersion firmware;
    if (!ParseFirmware(usable.firmware, &firmware))
        usable.firmware = SimOptions{}.firmware;
    impl_ = std::make_unique<Impl>(usable);
    impl_->options = options;
}

SimServer::~SimServer() {
    Stop();
}

bool SimServer::Start(std::string* error) {
    std::string ignored;
    std::string& reason = error ? *error : ignored;
    if (impl_->thread.joinable())
        return true;
    if (!ValidateOptions(impl_->options, &reason))
        return false;
    if (!impl_->pty.Open(&reason))
        return false;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        reason = std::string("pipe: ") + std::strerror(errno);
        impl_->pty.Close();
        return false;
    }
    impl_->wakeRead = fds[0];
    impl_->wakeWrite = fds[1];
    impl_->terminalPath = impl_->pty.SlavePath();
    impl_->stopping = false;
    impl_->thread = std::thread([this] { impl_->Serve(); });
    return true;
}

void SimServer::Stop() {
    if (!impl_)
        return;
    if (impl_->thread.joinable()) {
        impl_->stopping = true;
        const char wake = 1;
        const ssize_t n = write(impl_->wakeWrite, &wake, 1);
        (void)n;
        impl_->thread.join();
    }
    if (!impl_->placedLink.empty()) {
        std::error_code ec;
        // Only our own link: another simulator may have taken the name since.
        if (fs::read_symlink(impl_->placedLink, ec) == impl_->terminalPath)
            fs::remove(impl_->placedLink, ec);
        impl_->placedLink.clear();
    }
    for (int* fd : {&impl_->wakeRead, &impl_->wakeWrite}) {
        if (*fd >= 0)
            close(*fd);
        *fd = -1;
    }
    impl_->pty.Close();
    impl_->outgoing.clear();
    impl_->delayed.clear();
}

const std::string& SimServer::TerminalPath() const {
    return impl_->terminalPath;
}

bool SimServer::PlaceAt(const std::string& portDir, int comNumber, std::string* error) {
    std::string ignored;
    std::string& reason = error ? *error : ignored;
    if (impl_->terminalPath.empty()) {
        reason = "the simulator is not serving a terminal yet";
        return false;
    }
    if (comNumber < 1 || comNumber > 40) {
        reason = zelt::StrF("COM%d is outside COM1 to COM40", comNumber);
        return false;
    }
    std::error_code ec;
    fs::create_directories(portDir, ec);
    if (ec) {
        reason = "cannot create the port folder " + portDir + ": " + ec.message();
        return false;
    }
    const fs::path link = fs::path(portDir) / zelt::StrF("COM%d", comNumber);
    const fs::file_status status = fs::symlink_status(link, ec);
    if (fs::exists(status)) {
        if (!fs::is_symlink(status)) {
            reason = link.string() + " exists and is not a link";
            return false;
        }
        fs::remove(link, ec);
    }
    fs::create_symlink(impl_->terminalPath, link, ec);
    if (ec) {
        reason = "cannot create " + link.string() + ": " + ec.message();
        return false;
    }
    impl_->placedLink = link.string();
    return true;
}

uint8_t SimServer::Register(int address) const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->stations.front().controller.Register(address, SteadyNs() / 1000000);
}

void SimServer::SetRegister(int address, uint8_t value) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->First().SetRegister(address, value);
}

std::vector<uint8_t> SimServer::Registers(int address, int count) const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->First().Registers(address, count < 0 ? 0 : count, SteadyNs() / 1000000);
}

void SimServer::SetFault(Fault fault, double fraction) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->stations.front().faults.SetFault(fault, fraction);
}

int SimServer::RequestsServed() const {
    return impl_->served.load();
}

}  // namespace kvrn
