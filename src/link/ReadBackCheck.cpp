#include "link/ReadBackCheck.h"

#include <algorithm>
#include <cmath>
#include <tuple>

#include "base/Trace.h"
#include "config/SectorClock.h"
#include "link/CommandCatalogue.h"

namespace zelt {

namespace {

constexpr int kSlots = 8;
constexpr int kFullScale = 1023;
constexpr double kFloatSlack = 1e-3;

class Differences {
  public:
    void Volts(const char* name, float sent, float read, double voltsPerCount) {
        const double carried = CountFromVolts(sent, voltsPerCount) * voltsPerCount;
        if (std::fabs(carried - read) > kFloatSlack) {
            lines.push_back(StrF("%s: sent %.2f, read %.2f", name, sent, read));
        }
    }
    void Whole(const char* name, int expected, int read, int sent) {
        if (expected != read) {
            lines.push_back(StrF("%s: sent %d, read %d", name, sent, read));
        }
    }
    std::vector<std::string> lines;
};

// A level as the controller gives it back: encoded with the write's scales, decoded with
// the read's (which follow the load limits read back).
int CarriedLevel(int percent, const CCfgDocument& sent, const WriteScales& w,
                 const CCfgDocument& read, const WriteScales& r) {
    const int count =
        LevelToCount(percent, sent.pwmEnabled, w.voltsPerPercent, sent.minVout, w.voltsPerCount);
    return count == 0 ? 0
                      : LevelFromCount(std::min(count, kFullScale), r.voltsPerCount, read.minVout,
                                       r.voltsPerPercent);
}

}  // namespace

std::vector<std::string> ReadBackDifferences(const CCfgDocument& sent, const WriteScales& w,
                                             const CCfgDocument& read, const WriteScales& r) {
    Differences d;
    // Load limits travel in tenths of a volt.
    for (const auto& [name, s, got] : {std::tuple{"Max.Vout", sent.maxVout, read.maxVout},
                                       std::tuple{"Min.Vout", sent.minVout, read.minVout}}) {
        if (std::fabs(static_cast<double>(s) - got) > 0.1 + kFloatSlack) {
            d.lines.push_back(StrF("%s: sent %.2f, read %.2f", name, s, got));
        }
    }
    d.Volts("Light ON", sent.lightOnVoltage, read.lightOnVoltage, w.voltsPerCount);
    d.Volts("Light OFF", sent.lightOffVoltage, read.lightOffVoltage, w.voltsPerCount);
    d.Volts("LVD", sent.lvdVoltage, read.lvdVoltage, w.voltsPerCount);
    d.Volts("LVR", sent.lvrVoltage, read.lvrVoltage, w.voltsPerCount);
    d.Volts("FCV", sent.fcvVoltage, read.fcvVoltage, w.voltsPerCount);
    d.Volts("ACV", sent.acvVoltage, read.acvVoltage, w.voltsPerCount);
    d.Whole("DT", sent.dtTime & 0xFF, read.dtTime, sent.dtTime);
    const int ocht = sent.ochtTime & 0xFF;
    d.Whole("OCHT", ocht <= 5 ? 60 : ocht, read.ochtTime, sent.ochtTime);
    const int tempFactor = w.systemVoltage == 24 ? 20 : 10;  // per unit of the RS485 byte
    d.Whole("T.C", (sent.tempCompensation / tempFactor & 0xFF) * tempFactor, read.tempCompensation,
            sent.tempCompensation);
    for (int k = 0; k < CCfgDocument::kAutoSteps; ++k) {
        const std::string step = StrF("Step %d", k + 1);
        d.Whole((step + " duration").c_str(), sent.autoDuration[k] & 0xFFFF, read.autoDuration[k],
                sent.autoDuration[k]);
        d.Whole((step + " level").c_str(), CarriedLevel(sent.autoBrightness[k], sent, w, read, r),
                read.autoBrightness[k], sent.autoBrightness[k]);
    }
    // RS485 reads every slot; one the write left empty comes back as 00:00 to 00:00 at 0 %.
    if (read.sectors.size() != kSlots) {
        d.lines.push_back(StrF("Schedule: %d slots read", static_cast<int>(read.sectors.size())));
        return d.lines;
    }
    for (int k = 0; k < kSlots; ++k) {
        const CTimeSectorData& got = read.sectors[k];
        CTimeSectorData expected;
        expected.startMinute = ControllerStartToMinute(0);
        expected.endMinute = ControllerEndToMinute(0);
        expected.brightness = 0;
        if (k < static_cast<int>(sent.sectors.size())) {
            const CTimeSectorData& s = sent.sectors[k];
            const ControllerClock start = MinuteToControllerClock(s.startMinute);
            const ControllerClock end = MinuteToControllerClock(s.endMinute);
            expected.startMinute = ControllerStartToMinute(start.hour * 60 + start.minute);
            expected.endMinute = ControllerEndToMinute(end.hour * 60 + end.minute);
            expected.brightness = CarriedLevel(s.brightness, sent, w, read, r);
        }
        if (got.startMinute != expected.startMinute || got.endMinute != expected.endMinute ||
            got.brightness != expected.brightness) {
            d.lines.push_back(StrF("Schedule %d: read %d-%d at %d%%, expected %d-%d at %d%%", k + 1,
                                   got.startMinute, got.endMinute, got.brightness,
                                   expected.startMinute, expected.endMinute, expected.brightness));
        }
    }
    return d.lines;
}

}  // namespace zelt
