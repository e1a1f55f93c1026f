// kvrn-sim: serves a simulated controller on a pseudo-terminal until SIGINT or SIGTERM.

#include <CLI/CLI.hpp>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "kvrn/Sim.h"
#include "link/PortNames.h"

namespace {

struct CommandLine {
    kvrn::SimOptions options;
    std::string port;
    std::string fault = "none";
    std::string dropWrite;
};

// A register address in hex (0x61) or decimal; -1 when the text is none.
int ParseRegister(const std::string& text) {
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 0);
    return !text.empty() && *end == '\0' && value >= 0 && value < 0x300 ? static_cast<int>(value)
                                                                        : -1;
}

void AddFlags(CLI::App& app, CommandLine& line) {
    kvrn::SimOptions& o = line.options;
    app.add_option("--port", line.port, "COM name to place in the port folder, e.g. COM7");
    app.add_option("--rs485-id", o.deviceId, "RS485 device ID (1-255)")->capture_default_str();
    app.add_flag("--24v", o.system24V, "24 V system (voltages doubled, status bit 6)");
    app.add_flag("--battery-fail", o.batteryFail, "report a battery failure (status bit 3)");
    app.add_flag("--over-voltage", o.overVoltage, "battery reads above 18 V on 12 V");
    app.add_option("--vendor-id", o.vendorId, "vendor ID in the version record")
        ->capture_default_str();
    app.add_option("--firmware", o.firmware, "firmware version major.minor, e.g. 3.12")
        ->capture_default_str();
    app.add_option("--serial", o.serialNumber,
                   "serial number, 14 decimal digits (\"\" for none programmed)")
        ->capture_default_str();
    // Listed with spaces: its man page cannot break one long word at 80 columns.
    app.add_option("--fault", line.fault,
                   "seeded fault: none, no-reply, late, truncated, wrong-leader, garbage, "
                   "damaged or other-id")
        ->capture_default_str();
    app.add_option("--bus", o.busIds,
                   "several controllers on the line, e.g. 3,17,20 (replaces --rs485-id)")
        ->delimiter(',');
    app.add_option("--fault-id", o.faultId,
                   "on a bus, the one controller that --fault and --drop hit");
    app.add_option("--fault-fraction", o.faultFraction, "share of replies the fault hits")
        ->capture_default_str();
    app.add_option("--drop", o.dropFraction, "share of replies dropped")->capture_default_str();
    app.add_option("--late-ms", o.lateReplyMs, "delay of a late reply after its request")
        ->capture_default_str();
    app.add_option("--mute", o.muted, "RS232 requests never answered, by their start, e.g. G66")
        ->delimiter(',');
    app.add_option("--drop-write", line.dropWrite,
                   "acknowledge and drop every write that covers this register, e.g. 0x61 (LVD)");
    app.add_option("--fault-count", o.faultCount,
                   "the fault hits no more than this many replies, the first ones (0: no limit)")
        ->capture_default_str();
    app.add_option("--seed", o.seed, "seed of the fault pattern")->capture_default_str();
    bool noLineRate = false;
    app.add_flag("--no-line-rate", noLineRate, "send replies at once instead of at 19200 baud")
        ->each([&o](const std::string&) { o.lineRate = false; });
    app.add_option("--clock-offset", o.clockOffsetS,
                   "seconds the controller clock starts off the host's (-3: 3 s behind)");
    app.add_flag("--trace", o.trace, "log requests and replies to stderr");
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"kvrn-sim: a simulated solar lighting controller on a pseudo-terminal"};
    CommandLine line;
    AddFlags(app, line);
    CLI11_PARSE(app, argc, argv);

    if (!kvrn::ParseFault(line.fault, &line.options.fault)) {
        std::fprintf(stderr, "kvrn-sim: unknown fault \"%s\"\n", line.fault.c_str());
        return 2;
    }
    if (!line.dropWrite.empty()) {
        line.options.dropWrite = ParseRegister(line.dropWrite);
        if (line.options.dropWrite < 0) {
            std::fprintf(stderr, "kvrn-sim: \"%s\" is no register address (0 to 0x2FF)\n",
                         line.dropWrite.c_str());
            return 2;
        }
    }
    int comNumber = 0;
    if (!line.port.empty()) {
        comNumber = zelt::ParseComName(line.port);
        if (comNumber == 0) {
            std::fprintf(stderr, "kvrn-sim: \"%s\" is not COM1 to COM40\n", line.port.c_str());
            return 2;
        }
    }
    std::string error;
    if (!kvrn::ValidateOptions(line.options, &error)) {
        std::fprintf(stderr, "kvrn-sim: %s\n", error.c_str());
        return 2;
    }

    // The serving thread inherits the blocked signals; this thread waits for them.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    kvrn::SimServer server(line.options);
    if (!server.Start(&error)) {
        std::fprintf(stderr, "kvrn-sim: %s\n", error.c_str());
        return 1;
    }
    if (comNumber != 0) {
        const std::string folder = zelt::PortDirectory();
        if (!server.PlaceAt(folder, comNumber, &error)) {
            std::fprintf(stderr, "kvrn-sim: %s\n", error.c_str());
            return 1;
        }
        std::printf("kvrn-sim: COM%d -> %s\n", comNumber, server.TerminalPath().c_str());
    } else {
        std::printf("kvrn-sim: %s\n", server.TerminalPath().c_str());
    }
    std::fflush(stdout);

    int received = 0;
    sigwait(&signals, &received);
    server.Stop();
    return 0;
}
