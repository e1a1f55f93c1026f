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
    explicit Differences(bool english) : english_(english) {}
    void Mismatch(const std::string& name, double sent, double read) {
        lines.push_back(StrF(english_ ? "%s: sent %.2f, read %.2f" : "%s: 寫入 %.2f, 讀回 %.2f",
                             name.c_str(), sent, read));
    }
    void Volts(const char* name, float sent, float read, double voltsPerCount) {
        const double carried = CountFromVolts(sent, voltsPerCount) * voltsPerCount;
        if (std::fabs(carried - read) > kFloatSlack) {
            Mismatch(name, sent, read);
        }
    }
    void Whole(const std::string& name, int expected, int read, int sent) {
        if (expected != read) {
            lines.push_back(StrF(english_ ? "%s: sent %d, read %d" : "%s: 寫入 %d, 讀回 %d",
                                 name.c_str(), sent, read));
        }
    }
    const char* Pick(const char* english, const char* chinese) const {
        return english_ ? english : chinese;
    }
    std::vector<std::string> lines;

  private:
    bool english_;
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
                                             const CCfgDocument& read, const WriteScales& r,
                                             bool english) {
    Differences d(english);
    // Load limits travel in tenths of a volt.
    for (const auto& [name, s, got] : {std::tuple{"Max.Vout", sent.maxVout, read.maxVout},
                                       std::tuple{"Min.Vout", sent.minVout, read.minVout}}) {
        if (std::fabs(static_cast<double>(s) - got) > 0.1 + kFloatSlack) {
            d.Mismatch(name, s, got);
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
    // Per unit of the controller's byte: RS232 counts twice as fine.
    const int tempFactor = (w.systemVoltage == 24 ? 20 : 10) / (w.rs232 ? 2 : 1);
    d.Whole("T.C", (sent.tempCompensation / tempFactor & 0xFF) * tempFactor, read.tempCompensation,
            sent.tempCompensation);
    for (int k = 0; k < CCfgDocument::kAutoSteps; ++k) {
        d.Whole(StrF(d.Pick("Step %d duration", "自動時段 %d 週期"), k + 1),
                sent.autoDuration[k] & 0xFFFF, read.autoDuration[k], sent.autoDuration[k]);
        d.Whole(StrF(d.Pick("Step %d level", "自動時段 %d 亮度"), k + 1),
                CarriedLevel(sent.autoBrightness[k], sent, w, read, r), read.autoBrightness[k],
                sent.autoBrightness[k]);
    }
    // RS485 reads every slot, and one the write left empty comes back as 00:00 to 00:00 at
    // 0 %; RS232 reads only the slots in use.
    const int slots =
        w.rs232 ? std::min(static_cast<int>(sent.sectors.size()), kSlots) : kSlots;
    if (static_cast<int>(read.sectors.size()) != slots) {
        d.lines.push_back(StrF(d.Pick("Schedule: %d slots read, %d sent", "排程: 讀回 %d 段, 寫入 %d 段"),
                               static_cast<int>(read.sectors.size()), slots));
        return d.lines;
    }
    for (int k = 0; k < slots; ++k) {
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
            d.lines.push_back(StrF(d.Pick("Schedule %d: read %d-%d at %d%%, expected %d-%d at %d%%",
                                          "排程 %d: 讀回 %d-%d 亮度 %d%%, 應為 %d-%d 亮度 %d%%"),
                                   k + 1,
                                   got.startMinute, got.endMinute, got.brightness,
                                   expected.startMinute, expected.endMinute, expected.brightness));
        }
    }
    return d.lines;
}

}  // namespace zelt
