// zelt_bench: how close "Get Parameters" and "Set Parameters" come to the pace the protocol
// itself sets, and how long discovery takes, against an in-process simulated controller that
// answers at 19200 baud.
//
//   zelt_bench [--runs N] [--quick]     (--quick leaves out the 30-second RS485 ID walks)
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "base/Trace.h"
#include "config/CfgRecord.h"
#include "config/MainApp.h"
#include "kvrn/Sim.h"
#include "link/BusScan.h"
#include "link/ComPort.h"
#include "link/ControllerLink.h"
#include "link/Discovery.h"
#include "link/Sequences.h"
#include "link/WallClock.h"
#include "policy/ControllerPolicy.h"

namespace zelt::bench {
namespace {

constexpr double kLineBitsPerByte = 10.0;  // start bit, 8 data bits, stop bit
constexpr double kBaud = 19200.0;
constexpr double kWallTarget = 1.10;  // wall time at most 1.10 x the floor
constexpr double kCpuTarget = 5.0;    // CPU at most 5 % of wall time
constexpr int kWritePauseMs = 2;      // before every write call
constexpr int kRs232BytePauseMs = 3;  // after every RS232 request byte
constexpr int kSimPort = 5;

struct Figure {
    std::string name;
    double wallMs = 0;
    double floorMs = 0;
    double pacingMs = 0;
    double lineMs = 0;
    long bytesOut = 0;
    long bytesIn = 0;
    long writes = 0;
    long waits = 0;
    double processCpuMs = 0;
    double threadCpuMs = 0;
    int errors = 0;
    std::string lastError;

    double Ratio() const { return floorMs > 0 ? wallMs / floorMs : 0; }
    double CpuShare() const { return wallMs > 0 ? 100.0 * processCpuMs / wallMs : 0; }
    double ThreadCpuShare() const { return wallMs > 0 ? 100.0 * threadCpuMs / wallMs : 0; }
};

// A private port folder for the simulated controllers, removed at exit.
class PortFolder {
  public:
    PortFolder() {
        char pattern[] = "/tmp/zelt-bench-XXXXXX";
        if (mkdtemp(pattern) != nullptr) {
            path_ = pattern;
            setenv("ZELT_PORT_DIR", path_.c_str(), 1);
        }
    }
    ~PortFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::string& Path() const { return path_; }
    bool Ok() const { return !path_.empty(); }

  private:
    std::string path_;
};

bool StartSim(kvrn::SimServer& sim, const std::string& folder, int com) {
    std::string error;
    if (!sim.Start(&error) || !sim.PlaceAt(folder, com, &error)) {
        std::fprintf(stderr, "zelt_bench: the simulated controller does not start: %s\n",
                     error.c_str());
        return false;
    }
    return true;
}

// "Get Parameters" into record, as the programs run it: what failed, empty when nothing did.
std::string ReadAllFailure(CControllerLink& link, CCfgDocument& record) {
    ReadAllResult read = ReadAll(link, record);
    record = read.record;
    return read.outcome.Summary(true);
}

// "Set Parameters" of record, adapted to the controller's system voltage.
std::string WriteAllFailure(CControllerLink& link, CCfgDocument record) {
    const std::optional<ControllerStatus> status = WriteAllStatus(link);
    if (!status) {
        return "the status read of write-all failed";
    }
    AdaptToSystemVoltage(record, status->systemVoltage);
    return WriteAll(link, record, ClockToSend{}).outcome.Summary(true);
}

// "Set Parameters" as both programs run it: identity and status, the record check, the
// write-all and the one read-all that verifies it.
std::string SetAndVerifyFailure(CControllerLink& link, const CCfgDocument& record) {
    struct Refuse : ISetHost {
        bool CorrectAndSend(const std::vector<std::string>&) override { return false; }
    } host;
    const SetVerdict set = SetParameters(link, Inline(), host, SetRequest{record, 0, true});
    return set.stage == SetVerdict::Stage::Written ? set.Summary(true) : "nothing was written";
}

// The link to the simulated controller on COM5 with counting instruments in the way.
class BenchLink {
  public:
    explicit BenchLink(uint16_t commMode)
        : counting_(port_),
          clock_(ProcessTickClock()),
          link_(counting_, clock_, trace_, wallClock_, LinkAddress::FromSettings(commMode, 250)) {
        opened_ = port_.Open(kSimPort, 19200) != 0;
    }
    ~BenchLink() { port_.Close(); }

    bool Opened() const { return opened_; }
    CControllerLink& Link() { return link_; }
    ISerialPort& Port() { return counting_; }
    ITickClock& Clock() { return clock_; }

    // Runs one sequence and measures it; run returns what failed, empty when nothing did.
    Figure Measure(const std::string& name,
                   const std::function<std::string(CControllerLink&)>& run) {
        counting_.Reset();
        clock_.Reset();
        Stopwatch watch;
        const std::string failure = run(link_);
        Figure f;
        f.wallMs = watch.WallMs();
        f.processCpuMs = watch.ProcessCpuMs();
        f.threadCpuMs = watch.ThreadCpuMs();
        f.name = name;
        f.bytesOut = counting_.bytesOut;
        f.bytesIn = counting_.bytesIn;
        f.writes = counting_.writeCalls;
        f.waits = counting_.waits;
        const bool rs232 = link_.Address().framing == Framing::Rs232Ascii;
        f.pacingMs = static_cast<double>(clock_.sleptMs) +
                     static_cast<double>(kWritePauseMs * counting_.writeCalls) +
                     (rs232 ? static_cast<double>(kRs232BytePauseMs * counting_.bytesOut) : 0.0);
        f.lineMs = static_cast<double>(counting_.bytesOut + counting_.bytesIn) * kLineBitsPerByte /
                   kBaud * 1000.0;
        f.floorMs = f.pacingMs + f.lineMs;
        f.errors = failure.empty() ? 0 : 1;
        f.lastError = failure;
        return f;
    }

  private:
    CComPort port_;
    CountingPort counting_;
    CountingClock clock_;
    NullTraceSink trace_;
    SystemWallClock wallClock_;
    CControllerLink link_;
    bool opened_ = false;
};

// The median run of several, by wall time.
Figure Median(std::vector<Figure> runs) {
    std::sort(runs.begin(), runs.end(),
              [](const Figure& a, const Figure& b) { return a.wallMs < b.wallMs; });
    return runs[runs.size() / 2];
}

std::vector<Figure> SequenceFigures(const PortFolder& folder, int runs) {
    std::vector<Figure> figures;
    kvrn::SimServer sim;  // line rate on, ID 250
    if (!StartSim(sim, folder.Path(), kSimPort)) {
        return figures;
    }
    for (const uint16_t mode : {kCommModeRs232, kCommModeRs485}) {
        const std::string modeName = mode == kCommModeRs232 ? "RS232" : "RS485";
        BenchLink bench(mode);
        if (!bench.Opened()) {
            std::fprintf(stderr, "zelt_bench: COM%d does not open\n", kSimPort);
            return figures;
        }
        ControllerStatus seen;
        bench.Link().GetStatus(&seen);  // as after discovery: the controller has been seen once
        CCfgDocument record;            // what the read-all read is what the write-all writes back
        std::vector<Figure> reads;
        std::vector<Figure> writes;
        std::vector<Figure> verified;
        for (int i = 0; i < runs; ++i) {
            reads.push_back(bench.Measure("read-all " + modeName, [&](CControllerLink& link) {
                return ReadAllFailure(link, record);
            }));
            writes.push_back(bench.Measure("write-all " + modeName, [&](CControllerLink& link) {
                return WriteAllFailure(link, record);
            }));
            verified.push_back(bench.Measure("set+verify " + modeName, [&](CControllerLink& link) {
                return SetAndVerifyFailure(link, record);
            }));
        }
        figures.push_back(Median(reads));
        figures.push_back(Median(writes));
        figures.push_back(Median(verified));
    }
    return figures;
}

// Enumeration and Auto Detect, as `zeltctl detect` runs them.
Figure DetectFigure(const PortFolder& folder, const std::string& name, int com, uint16_t mode,
                    int deviceId) {
    Figure f;
    f.name = name;
    kvrn::SimOptions options;
    options.deviceId = deviceId;
    kvrn::SimServer sim(options);
    if (!StartSim(sim, folder.Path(), com)) {
        f.errors = 1;
        return f;
    }
    CComPort port;
    NullTraceSink trace;
    Stopwatch watch;
    CPortTable table;
    table.Enumerate(port);
    CAutoDetect detect(port, ProcessTickClock(), trace);
    // 250: the saved ID when none was ever set.
    const DetectResult found = detect.Run(table, LinkAddress::FromSettings(mode, 250));
    f.wallMs = watch.WallMs();
    f.processCpuMs = watch.ProcessCpuMs();
    f.threadCpuMs = watch.ThreadCpuMs();
    port.Close();
    if (found.port != com || (mode != kCommModeRs232 && found.address.rs485Id != deviceId)) {
        f.errors = 1;
        f.lastError = "the controller was not found where it is";
    }
    return f;
}

// A bus of eight controllers: the walk over every ID (each silent ID waits out the probe's
// time-out, which the floor counts), and one record set on all eight with the read-all that
// verifies it, as `zeltctl scan` and `zeltctl set --ids` run them.
std::vector<Figure> FleetFigures(const PortFolder& folder, bool withScan) {
    static const std::vector<int> kBus{3, 17, 40, 88, 120, 200, 230, 250};
    std::vector<Figure> figures;
    kvrn::SimOptions options;
    options.busIds = kBus;
    kvrn::SimServer sim(options);
    if (!StartSim(sim, folder.Path(), kSimPort)) {
        return figures;
    }
    BenchLink bench(kCommModeRs485);
    if (!bench.Opened()) {
        return figures;
    }
    if (withScan) {
        int found = 0;
        Figure scan = bench.Measure("scan IDs 1-255", [&](CControllerLink& link) {
            CBusScan walk(bench.Port(), bench.Clock(), link.Trace(), kFirstBusId, kLastBusId);
            while (!walk.Done()) {
                found += walk.Step() ? 1 : 0;
            }
            return std::string();
        });
        // A silent ID costs the whole time-out, during which its own request crosses the line.
        const int silent = kLastBusId - found;
        const double requestLineMs = 6 * kLineBitsPerByte / kBaud * 1000.0;
        scan.floorMs += silent * (kProbeTimeoutTicks + 1.0 - requestLineMs);
        if (found != static_cast<int>(kBus.size())) {
            scan.errors = 1;
            scan.lastError =
                StrF("%d controllers found of %d", found, static_cast<int>(kBus.size()));
        }
        figures.push_back(scan);
    }
    figures.push_back(bench.Measure("set --ids x 8", [&](CControllerLink& link) {
        std::string failure;
        for (const int id : kBus) {
            link.SetAddress(LinkAddress::Rs485(id));
            CCfgDocument record;
            const std::string written = WriteAllFailure(link, record);
            const std::string read = ReadAllFailure(link, record);
            if (failure.empty()) {
                failure = !written.empty() ? written : read;
            }
        }
        return failure;
    }));
    return figures;
}

const char* Verdict(bool pass) {
    return pass ? "PASS" : "MISS";
}

void PrintSequenceFigures(const std::vector<Figure>& figures) {
    std::printf("%-16s %9s %9s %6s %5s  %7s %5s  %8s %8s %6s  %s\n", "figure", "wall ms",
                "floor ms", "ratio", "", "CPU %", "", "pace ms", "line ms", "writes",
                "bytes out/in");
    for (const Figure& f : figures) {
        std::printf("%-16s %9.1f %9.1f %6.3f %5s  %6.2f%% %5s  %8.1f %8.1f %6ld  %ld/%ld\n",
                    f.name.c_str(), f.wallMs, f.floorMs, f.Ratio(),
                    Verdict(f.Ratio() <= kWallTarget), f.CpuShare(),
                    Verdict(f.CpuShare() <= kCpuTarget), f.pacingMs, f.lineMs, f.writes, f.bytesOut,
                    f.bytesIn);
        if (f.errors != 0) {
            std::printf("  (the sequence reported a failure: %s)\n", f.lastError.c_str());
        }
    }
    std::printf(
        "targets: wall <= %.2f x floor, CPU <= %.0f%% of wall (process, simulated "
        "controller thread included)\n",
        kWallTarget, kCpuTarget);
    std::printf(
        "RS232 requests cross the line during their 3 ms byte pauses and a reply may begin in "
        "the pause\nafter the last byte, so the floor, which adds them up, can exceed the "
        "wall time there.\n");
    std::printf("link thread alone (CPU share, waits on the line per write):\n");
    for (const Figure& f : figures) {
        std::printf("  %-16s %6.2f%%  %6.1f\n", f.name.c_str(), f.ThreadCpuShare(),
                    f.writes > 0 ? static_cast<double>(f.waits) / f.writes : 0.0);
    }
}

void PrintDetectFigure(const Figure& f) {
    std::printf("%-34s %9.1f ms  CPU %.2f%% of wall%s%s\n", f.name.c_str(), f.wallMs, f.CpuShare(),
                f.errors != 0 ? "  FAILED: " : "", f.lastError.c_str());
}

}  // namespace
}  // namespace zelt::bench

int main(int argc, char** argv) {
    using namespace zelt::bench;
    zelt::ProcessTickClock();
    int runs = 3;
    bool quick = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else if (std::strcmp(argv[i], "--quick") == 0) {
            quick = true;
        } else {
            std::fprintf(stderr, "usage: zelt_bench [--runs N] [--quick]\n");
            return 2;
        }
    }
    PortFolder folder;
    if (!folder.Ok()) {
        std::fprintf(stderr, "zelt_bench: no temporary folder\n");
        return 1;
    }

    std::printf("Sequences against the simulated controller at 19200 baud (median of %d):\n", runs);
    const std::vector<Figure> figures = SequenceFigures(folder, runs);
    if (figures.empty()) {
        return 1;
    }
    PrintSequenceFigures(figures);

    std::printf("\nDiscovery (enumeration of COM1-COM40, then Auto Detect):\n");
    std::vector<Figure> detects;
    detects.push_back(
        DetectFigure(folder, "detect RS232, COM40 only", 40, zelt::kCommModeRs232, 250));
    PrintDetectFigure(detects.back());
    if (!quick) {
        detects.push_back(
            DetectFigure(folder, "detect RS485, COM3, ID 1", 3, zelt::kCommModeRs485, 1));
        PrintDetectFigure(detects.back());
    }
    std::printf(
        "\nA bus of 8 controllers (floor: pacing, line time and, for each silent ID, the "
        "probe's %d-tick time-out):\n",
        zelt::kProbeTimeoutTicks);
    const std::vector<Figure> fleet = FleetFigures(folder, !quick);
    PrintSequenceFigures(fleet);
    int failures = fleet.empty() ? 1 : 0;
    for (const Figure& f : fleet) {
        failures += f.errors != 0 ? 1 : 0;
    }
    for (const Figure& f : figures) {
        failures += f.errors != 0 ? 1 : 0;
    }
    for (const Figure& f : detects) {
        failures += f.errors != 0 ? 1 : 0;
    }
    return failures == 0 ? 0 : 1;
}
