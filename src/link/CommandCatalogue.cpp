#include "link/CommandCatalogue.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "base/Trace.h"
#include "config/SectorClock.h"

namespace zelt {

namespace {

constexpr const char* kTimeOut = " Time Out=%d ticks!\n";
constexpr const char* kSnTimeOut = " Out=%d ticks!\n";
constexpr int kFullScaleCount = 1023;

}  // namespace

// ---------------------------------------------------------------- conversions

int CountFromVolts(double volts, double voltsPerCount) {
    if (!(voltsPerCount > 0.0)) {
        return 0;
    }
    const double exact = volts / voltsPerCount;
    // A voltage word carries 0..1023: a record from a file may hold anything (NaN, 1e30,
    // negative volts), which saturates to that range instead of wrapping on the wire.
    if (!(exact > 0.0)) {
        return 0;
    }
    if (exact >= kFullScaleCount) {
        return kFullScaleCount;
    }
    int count = static_cast<int>(exact);
    if (exact - count > 0.5) {
        ++count;
    }
    return count;
}

int SnapToTens(int level) {
    if (level > 100) {
        return 100;
    }
    if (level < 0) {
        return 0;
    }
    for (int tens = 0; tens <= 100; tens += 10) {
        if (std::abs(level - tens) <= 4) {
            return tens;
        }
    }
    return level;
}

int LevelFromCount(int count, double voltsPerCount, float minVout, double voltsPerPercent) {
    const double v = count * voltsPerCount - minVout;
    if (v < 0) {
        return 0;
    }
    if (!(voltsPerPercent > 0.0)) {
        // Equal load limits: nothing to scale by; above the lower limit is full brightness.
        return v > 0 ? 100 : 0;
    }
    // Anything above 101 snaps to 100 anyway; the bound keeps the conversion defined for
    // limits from a file (NaN, a tiny voltsPerPercent).
    const double exact = std::min(v / voltsPerPercent, 101.0);
    if (!(exact >= 0.0)) {
        return 0;
    }
    int level = static_cast<int>(exact);
    if (exact - level > 0.5) {
        ++level;
    }
    return SnapToTens(level);
}

int LevelToCount(int percent, uint32_t pwmEnabled, double voltsPerPercent, float minVout,
                 double voltsPerCount) {
    if (percent == 100 && pwmEnabled == 0) {
        return kFullScaleCount;
    }
    if (percent == 0) {
        return 0;
    }
    return CountFromVolts(percent * voltsPerPercent + minVout, voltsPerCount);
}

int RegisterBlock::Level(int k, double voltsPerCount, float minVout, double voltsPerPercent) const {
    const int shortcut = framing_.LevelWithoutScale(reply_, k);
    if (shortcut >= 0) {
        return shortcut;
    }
    const int count = VoltCount(k);
    if (count == 0) {
        return 0;
    }
    return LevelFromCount(count, voltsPerCount, minVout, voltsPerPercent);
}

namespace {

std::string WithIndex(const char* name, int index) {
    if (std::strstr(name, "%d") != nullptr) {
        return StrF(name, index + 1);
    }
    return name;
}

}  // namespace

std::string CommandName(const ReadCommand& cmd, const IFraming& framing, int index) {
    return WithIndex(framing.NameOf(cmd.name232, cmd.name485), index);
}

std::string CommandName(const WriteCommand& cmd, const IFraming& framing, int index) {
    return WithIndex(framing.NameOf(cmd.name232, cmd.name485), index);
}

void ApplyWireDefaults(CCfgDocument& record, Framing framing) {
    if (framing == Framing::Rs232Ascii) {
        record.dtTime = 60;
    }
    if (record.ochtTime < 6) {
        record.ochtTime = 60;
    }
}

// ---------------------------------------------------------------- decode steps

namespace {

float VoltageWord(const ControllerScale& scale, const RegisterBlock& block, int k) {
    return static_cast<float>(block.VoltCount(k) * scale.voltsPerCount);
}

int LevelWord(const ControllerScale& scale, const CCfgDocument& record, const RegisterBlock& block,
              int k) {
    return block.Level(k, scale.voltsPerCount, record.minVout,
                       VoltsPerPercent(record.maxVout, record.minVout));
}

int DecodeVoltForLoad(const RegisterBlock& block, int, const ControllerScale& scale,
                      CCfgDocument& r) {
    const int flags = block.Byte(2);
    const int max = (flags & 1) * 256 + block.Byte(0);
    const int min = ((flags >> 1) & 1) * 256 + block.Byte(1);
    const double tenth = 0.1f;
    r.maxVout = static_cast<float>(max * tenth);
    r.minVout = static_cast<float>(min * tenth);
    if (scale.systemVoltage == 24) {
        // 14 V or less is a value reported on the 12 V scale.
        if (28 - static_cast<double>(r.maxVout) >= 14) {
            r.maxVout = r.maxVout * 2;
        }
        if (28 - static_cast<double>(r.minVout) >= 14) {
            r.minVout = r.minVout * 2;
        }
        if (r.maxVout > 28) {
            r.maxVout = 28;
        }
        if (r.minVout < 16) {
            r.minVout = 16;
        }
        if (static_cast<double>(r.maxVout) - r.minVout < 2) {
            r.maxVout = 24;
            r.minVout = 16;
        }
    } else {
        if (r.maxVout > 14) {
            r.maxVout = 14;
        }
        if (r.minVout < 8) {
            r.minVout = 8;
        }
        if (static_cast<double>(r.maxVout) - r.minVout < 1) {
            r.maxVout = 12;
            r.minVout = 8;
        }
    }
    return 1;
}

int DecodeLvdrPvOnOffDt(const RegisterBlock& block, int, const ControllerScale& scale,
                        CCfgDocument& r) {
    r.lightOnVoltage = VoltageWord(scale, block, 0);
    r.lightOffVoltage = VoltageWord(scale, block, 2);
    r.lvdVoltage = VoltageWord(scale, block, 4);
    r.lvrVoltage = VoltageWord(scale, block, 6);
    r.dtTime = block.Byte(8);
    return 1;
}

int DecodeAdvanceBattPara(const RegisterBlock& block, int, const ControllerScale& scale,
                          CCfgDocument& r) {
    r.lowLevelEnabled = static_cast<uint32_t>(block.Byte(0));
    r.low1Voltage = VoltageWord(scale, block, 1);
    r.low1Brightness = LevelWord(scale, r, block, 3);
    r.low2Voltage = VoltageWord(scale, block, 5);
    r.low2Brightness = LevelWord(scale, r, block, 7);
    return 1;
}

int DecodeVModePwmFlag(const RegisterBlock& block, int, const ControllerScale&, CCfgDocument& r) {
    r.vMode = static_cast<uint32_t>(block.Byte(0));
    r.pwmEnabled = block.Byte(1) == 0 ? 1 : 0;  // the controller keeps the inverse
    return 1;
}

int DecodeSchedule(const RegisterBlock& block, int, const ControllerScale& scale, CCfgDocument& r) {
    int k = 0;
    if (block.Rs232()) {
        if (block.Byte(0) == 0) {
            return 1;  // slot not in use
        }
        k = 1;  // RS485 reads from the byte after the in-use flag
    }
    const int start = block.Byte(k) * 60 + block.Byte(k + 1);
    const int end = block.Byte(k + 2) * 60 + block.Byte(k + 3);
    CTimeSectorData sector;
    sector.startMinute = ControllerStartToMinute(start);
    sector.endMinute = ControllerEndToMinute(end);
    sector.brightness = LevelWord(scale, r, block, k + 4);
    r.sectors.push_back(sector);
    r.sectorCount = static_cast<int32_t>(r.sectors.size());
    return 1;
}

int DecodeDuration(const RegisterBlock& block, int step, const ControllerScale& scale,
                   CCfgDocument& r) {
    r.autoDuration[step] = block.Word(0);
    r.autoBrightness[step] = LevelWord(scale, r, block, 2);
    return 1;
}

// Temperature compensation per controller unit.
int TempFactor(uint16_t systemVoltage, bool rs232) {
    const bool v24 = systemVoltage == 24;
    if (rs232) {
        return v24 ? 10 : 5;
    }
    return v24 ? 20 : 10;
}

int DecodeFcvAcvOchtTc(const RegisterBlock& block, int, const ControllerScale& scale,
                       CCfgDocument& r) {
    r.fcvVoltage = VoltageWord(scale, block, 0);
    r.acvVoltage = VoltageWord(scale, block, 2);
    r.ochtTime = block.Byte(4);
    if (r.ochtTime <= 5) {
        r.ochtTime = 60;
    }
    r.tempCompensation = block.Byte(5) * TempFactor(scale.systemVoltage, block.Rs232());
    return 1;
}

int Bcd(int value) {
    return (value >> 4) * 10 + (value & 0x0F);
}

// The one version text of both framings: "major.minor", then "A" or "B" and the revision
// unless the revision byte is 0 (a release). The byte holds the B flag in bit 7 and the
// revision as two packed decimal digits, as the RS232 reply's first two digits show it.
std::string VersionText(int major, const std::string& minor, int revisionByte) {
    if (revisionByte == 0) {
        return StrF("%d.%s", major, minor.c_str());
    }
    const int revision = ((revisionByte >> 4) & 7) * 10 + (revisionByte & 0x0F);
    return StrF("%d.%s%c%d", major, minor.c_str(), (revisionByte & 0x80) != 0 ? 'B' : 'A',
                revision);
}

bool AllDecimalDigits(const char* text, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
    }
    return true;
}

}  // namespace

ControllerStatus DecodeStatus(const RegisterBlock& block) {
    ControllerStatus status;
    status.statusByte = block.Byte(0);
    status.systemVoltage = (status.statusByte & 0x40) != 0 ? 24 : 12;
    status.loadOn = (status.statusByte & 0x04) != 0;
    status.batteryFailed = (status.statusByte & 0x08) != 0;
    return status;
}

double VoltsPerCountFor(Framing framing, uint16_t systemVoltage,
                        const std::string& firmwareVersion) {
    const bool v24 = systemVoltage == 24;
    const bool newScale = framing == Framing::Rs232Ascii && !firmwareVersion.empty() &&
                          static_cast<unsigned char>(firmwareVersion[0]) >= '4';
    if (newScale) {
        return v24 ? 70.5 / 1024 : 35.0 / 1024;
    }
    return v24 ? 49.0 / 1024 : 24.5 / 1024;
}

TimeOfDay DecodeRtc(const RegisterBlock& block) {
    if (block.Rs232()) {
        const uint8_t* text = block.Reply();
        auto pair = [text](int i) { return (text[i] - '0') * 10 + (text[i + 1] - '0'); };
        return TimeOfDay{pair(1), pair(4), pair(7)};
    }
    return TimeOfDay{Bcd(block.Byte(0)), Bcd(block.Byte(1)), Bcd(block.Byte(2))};
}

bool DecodeVersion(const RegisterBlock& block, FirmwareIdentity* identity) {
    FirmwareIdentity id;
    if (block.Rs232()) {
        const char* rest = reinterpret_cast<const char*>(block.Reply()) + 1;
        size_t length = std::strlen(rest);
        // A line end after the digits is the reply's terminator, not part of the version.
        while (length > 0 && (rest[length - 1] == '\r' || rest[length - 1] == '\n')) {
            --length;
        }
        if (length < 5 || length > 15 || !AllDecimalDigits(rest, length)) {
            return false;
        }
        int d[9] = {};
        for (size_t i = 1; i <= 8 && i <= length; ++i) {
            d[i] = rest[i - 1] - '0';
        }
        // Cut from the trimmed length: the version text carries no line end.
        const std::string minor(rest + std::min<size_t>(length, 8), rest + length);
        id.vendorId = static_cast<uint16_t>(d[5] * 16 + d[6]);
        id.batteryType = static_cast<uint8_t>(d[7] * 16 + d[8]);
        id.version = VersionText(d[3] * 16 + d[4], minor, d[1] * 16 + d[2]);
    } else {
        id.vendorId =
            static_cast<uint16_t>(static_cast<int16_t>(static_cast<int8_t>(block.Byte(2))));
        id.batteryType = static_cast<uint8_t>(block.Byte(3));
        // The minor byte carries the two digits that RS232 sends as text.
        id.version = VersionText(block.Byte(1), StrF("%02X", block.Byte(4)), block.Byte(0));
    }
    *identity = std::move(id);
    return true;
}

std::string DecodeSerialNumber(const RegisterBlock& block) {
    std::string serial;
    if (block.Rs232()) {
        const char* text = reinterpret_cast<const char*>(block.Reply()) + 1;
        serial.assign(text, strnlen(text, kSerialDigits));
        while (!serial.empty() && (serial.back() == '\r' || serial.back() == '\n')) {
            serial.pop_back();
        }
    } else {
        // The same digits packed two to a byte in the first half of the 14-byte block.
        for (int k = 0; k < kSerialDigits / 2; ++k) {
            serial += StrF("%02X", block.Byte(k));
        }
    }
    if (serial.size() == static_cast<size_t>(kSerialDigits) && serial.compare(0, 3, "FFF") == 0 &&
        serial[9] == 'F') {
        serial.clear();  // the controller has no serial number
    }
    return serial;
}

SwitchMode DecodeSwitchMode(const RegisterBlock& block) {
    return SwitchMode{static_cast<uint8_t>(block.Digit(2) & 3),
                      static_cast<uint8_t>(block.Digit(1) & 3)};
}

double DecodeLiveVolts(const RegisterBlock& block, double voltsPerCount, ITraceSink& trace,
                       const char* traceFormat) {
    const double volts = block.VoltCount(0) * voltsPerCount;
    if (block.Rs232()) {
        TraceF(trace, traceFormat, block.Digit(1), block.Digit(2), block.Digit(3), voltsPerCount,
               volts);
    }
    return volts;
}

double DecodeLiveCurrent(const RegisterBlock& block, uint32_t divisor, uint32_t fallbackDivisor,
                         ITraceSink& trace, const char* traceFormat) {
    const int count = block.VoltCount(0);
    if (block.Rs232()) {
        TraceF(trace, traceFormat, block.Digit(1), block.Digit(2), block.Digit(3),
               SenseVolts(count));
    }
    return SenseCurrent(count, divisor, fallbackDivisor);
}

// ---------------------------------------------------------------- encode steps

namespace {

std::string Hex(const std::vector<uint8_t>& bytes) {
    std::string out;
    for (uint8_t b : bytes) {
        out += StrF("%02X", b);
    }
    return out;
}

// "S" aa, the data bytes as hex digits, carriage return.
WriteFrame Standard(int address, std::vector<uint8_t> bytes) {
    WriteFrame frame;
    frame.ascii = StrF("S%02X", address & 0xFF) + Hex(bytes) + "\r";
    frame.bytes = std::move(bytes);
    return frame;
}

// A count as a voltage word: count << 6, big-endian.
void PushWord(std::vector<uint8_t>& bytes, int count) {
    bytes.push_back(static_cast<uint8_t>(count / 4));
    bytes.push_back(static_cast<uint8_t>((count & 3) * 64));
}

void PushVolts(const ControllerScale& scale, std::vector<uint8_t>& bytes, float volts) {
    PushWord(bytes, CountFromVolts(volts, scale.voltsPerCount));
}

int LevelCount(const ControllerScale& scale, const CCfgDocument& r, int percent) {
    return LevelToCount(percent, r.pwmEnabled, VoltsPerPercent(r.maxVout, r.minVout), r.minVout,
                        scale.voltsPerCount);
}

// A load limit in tenths of a volt as its 9-bit field carries it (0..511); out-of-range and
// non-finite limits saturate.
int LoadLimitTenths(float volts) {
    const float tenths = static_cast<float>(volts * 10);
    if (!(tenths > 0.0f)) {
        return 0;
    }
    return tenths >= 511.0f ? 511 : static_cast<int>(tenths);
}

WriteFrame EncodeVoltForLoad(const CCfgDocument& r, const ControllerScale&, Framing, int) {
    int max = LoadLimitTenths(r.maxVout);
    int min = LoadLimitTenths(r.minVout);
    int flags = 0;
    if (max > 255) {
        flags |= 1;
        max -= 256;
    }
    if (min > 255) {
        flags |= 2;
        min -= 256;
    }
    return Standard(
        0x78, {static_cast<uint8_t>(max), static_cast<uint8_t>(min), static_cast<uint8_t>(flags)});
}

WriteFrame EncodeVModePwmFlag(const CCfgDocument& r, const ControllerScale&, Framing, int) {
    return Standard(0x59, {static_cast<uint8_t>(r.pwmEnabled != 0 ? 0 : 1)});
}

WriteFrame EncodeSchedule(const CCfgDocument& r, const ControllerScale& scale, Framing, int slot) {
    const int address = 7 * slot;
    if (slot >= static_cast<int>(r.sectors.size())) {
        return Standard(address, std::vector<uint8_t>(7, 0));
    }
    const CTimeSectorData& s = r.sectors[static_cast<size_t>(slot)];
    const ControllerClock start = MinuteToControllerClock(s.startMinute);
    const ControllerClock end = MinuteToControllerClock(s.endMinute);
    std::vector<uint8_t> bytes{1, static_cast<uint8_t>(start.hour),
                               static_cast<uint8_t>(start.minute), static_cast<uint8_t>(end.hour),
                               static_cast<uint8_t>(end.minute)};
    if (s.brightness == 100 && r.pwmEnabled == 0) {
        bytes.push_back(0xFF);
        bytes.push_back(0xFF);
        WriteFrame frame = Standard(address, bytes);
        frame.ascii.replace(frame.ascii.size() - 2, 1, "0");  // RS232 sends F, F, F, 0
        return frame;
    }
    PushWord(bytes, LevelCount(scale, r, s.brightness));
    return Standard(address, bytes);
}

WriteFrame EncodeLvdLvr(const CCfgDocument& r, const ControllerScale& scale, Framing framing, int) {
    CCfgDocument sent = r;
    ApplyWireDefaults(sent, framing);
    std::vector<uint8_t> bytes;
    PushVolts(scale, bytes, sent.lvdVoltage);
    PushVolts(scale, bytes, sent.lvrVoltage);
    bytes.push_back(static_cast<uint8_t>(sent.dtTime & 0xFF));
    return Standard(0x61, bytes);
}

WriteFrame EncodeAdvanceBattPara(const CCfgDocument& r, const ControllerScale& scale, Framing,
                                 int) {
    std::vector<uint8_t> bytes{static_cast<uint8_t>(r.lowLevelEnabled != 0 ? 1 : 0)};
    PushVolts(scale, bytes, r.low1Voltage);
    PushWord(bytes, LevelCount(scale, r, r.low1Brightness));
    PushVolts(scale, bytes, r.low2Voltage);
    PushWord(bytes, LevelCount(scale, r, r.low2Brightness));
    return Standard(0x6E, bytes);
}

WriteFrame EncodeFcvAcvOchtTc(const CCfgDocument& r, const ControllerScale& scale, Framing framing,
                              int) {
    CCfgDocument sent = r;
    ApplyWireDefaults(sent, framing);
    std::vector<uint8_t> bytes;
    PushVolts(scale, bytes, sent.fcvVoltage);
    PushVolts(scale, bytes, sent.acvVoltage);
    bytes.push_back(static_cast<uint8_t>(sent.ochtTime & 0xFF));
    bytes.push_back(static_cast<uint8_t>(
        sent.tempCompensation / TempFactor(scale.systemVoltage, framing == Framing::Rs232Ascii)));
    return Standard(0x66, bytes);
}

WriteFrame EncodePvDetect(const CCfgDocument& r, const ControllerScale& scale, Framing, int) {
    std::vector<uint8_t> bytes;
    PushVolts(scale, bytes, r.lightOnVoltage);
    PushVolts(scale, bytes, r.lightOffVoltage);
    return Standard(0x5D, bytes);
}

WriteFrame EncodeDuration(const CCfgDocument& r, const ControllerScale& scale, Framing, int step) {
    const int duration = r.autoDuration[static_cast<size_t>(step)] & 0xFFFF;
    std::vector<uint8_t> bytes{static_cast<uint8_t>(duration >> 8),
                               static_cast<uint8_t>(duration & 0xFF)};
    PushWord(bytes, LevelCount(scale, r, r.autoBrightness[static_cast<size_t>(step)]));
    return Standard(0x38 + 4 * step, bytes);
}

WriteFrame EncodeSwJpMode(const CCfgDocument& r, const ControllerScale& scale, Framing, int) {
    const auto code = [](uint8_t v) { return static_cast<uint8_t>(v >= 1 && v <= 3 ? v : 0); };
    const uint8_t mode = code(r.operatingMode);
    const uint8_t time = code(r.lightingTime);
    const uint8_t enable = r.remoteLevelEnabled != 0 ? 1 : 0;
    const int c = CountFromVolts(r.remoteLevel, scale.voltsPerCount);
    WriteFrame frame;
    frame.bytes = {mode, time, enable};
    PushWord(frame.bytes, c);
    // RS232 carries the count itself in the word's first three digits (c * 16).
    frame.ascii = StrF("S72%02X%02X%02X%X%X%X0\r", mode, time, enable, (c / 256) & 0xF,
                       (c & 0xF0) / 16, c & 0xF);
    return frame;
}

WriteFrame EncodeResetChargeCount(const CCfgDocument&, const ControllerScale&, Framing, int) {
    return Standard(0x6C, {0, 0});
}

// Names, requests, lengths, time-outs: the controller's command table.
constexpr int kBuf = kReplyBufferSize;
constexpr int kLive = kLiveReplyBufferSize;
constexpr AsciiReply kDigits = AsciiReply::Digits;
constexpr AsciiReply kClock = AsciiReply::Clock;
constexpr AsciiReply kVersion = AsciiReply::Version;
constexpr AsciiReply kSerial = AsciiReply::SerialNumber;
constexpr ScaleNeed kNone = ScaleNeed::None;
constexpr ScaleNeed kSystem = ScaleNeed::SystemVoltage;
constexpr ScaleNeed kVolts = ScaleNeed::VoltsPerCount;

}  // namespace

WriteFrame EncodeClock(int hour, int minute, int second) {
    WriteFrame frame;
    frame.ascii = StrF("T%d%d%d%d%d%d\r", hour / 10, hour % 10, minute / 10, minute % 10,
                       second / 10, second % 10);
    auto bcd = [](int v) { return static_cast<uint8_t>((v / 10) * 16 + v % 10); };
    frame.bytes = {bcd(hour), bcd(minute), bcd(second)};
    return frame;
}

namespace commands {

// clang-format off
//                                   name232                     name485                  Q-request  a232 n232 min  a485   n485 stride T232 T485 buffer ascii    time-out    decode                 scale
const ReadCommand kGetVoltForLoad   {"Get Volt for Load",        "Get Flash Para",        nullptr,   0x78, 3,   7,  0x78,   3,   0,     140, 140, kBuf,  kDigits, kTimeOut,   DecodeVoltForLoad,     kSystem};
const ReadCommand kGetLvdrPvOnOffDt {"Get LVDR/PvOnOff/DT Volt", "Get LVDR/PvOnOff Volt", nullptr,   0x5D, 9,   19, 0x5D,   9,   0,     140, 140, kBuf,  kDigits, kTimeOut,   DecodeLvdrPvOnOffDt,   kVolts};
const ReadCommand kGetAdvanceBattPara{"Get Advance Batt Para",   "Get Advance Batt Para", nullptr,   0x6E, 9,   19, 0,      0,   0,     140, 0,   kBuf,  kDigits, kTimeOut,   DecodeAdvanceBattPara, kVolts};
const ReadCommand kGetVModePwmFlag  {"Get VMode/Pwm flag",       "Get VMode/Pwm flag",    nullptr,   0x58, 2,   5,  0x58,   2,   0,     140, 140, kBuf,  kDigits, kTimeOut,   DecodeVModePwmFlag,    kNone};
const ReadCommand kGetSchedule      {"Get Sch %d",               "Get Sch %d",            nullptr,   0x00, 7,   15, 0x01,   6,   7,     140, 140, kBuf,  kDigits, kTimeOut,   DecodeSchedule,        kVolts};
const ReadCommand kGetDuration      {"Get Dur %d",               "Get Dur %d",            nullptr,   0x38, 4,   9,  0x38,   4,   4,     140, 140, kBuf,  kDigits, kTimeOut,   DecodeDuration,        kVolts};
const ReadCommand kGetFcvAcvOchtTc  {"Get FCV/ACV/Ocht/T.C",     "Get FCV/ACV/Ocht/T.C",  nullptr,   0x66, 6,   13, 0x66,   6,   0,     140, 140, kBuf,  kDigits, kTimeOut,   DecodeFcvAcvOchtTc,    kVolts};
const ReadCommand kGetChargeCount   {"Get Charge Count",         "Get Charge Count",      "Q8\r",    0,    0,   5,  0x6C,   2,   0,     30,  140, kLive, kDigits, kTimeOut,   nullptr,               kNone};
const ReadCommand kGetRtc           {"Get RTC",                  "Get RTC",               "Q2\r",    0,    0,   9,  0x0203, 3,   0,     140, 140, kBuf,  kClock,  kTimeOut,   nullptr,               kNone};
const ReadCommand kGetVersion       {"Get Version/VID/PID",      "Get Version",           nullptr,   0x7B, 5,   11, 0x7B,   5,   0,     140, 140, kBuf,  kVersion,kTimeOut,   nullptr,               kNone};
const ReadCommand kGetSerialNumber  {"Get SN",                   "Get SN",                nullptr,   0x80, 7,   15, 0x80,   14,  0,     140, 140, kBuf,  kSerial, kSnTimeOut, nullptr,               kNone};

const ReadCommand kGetStatus        {"Get Q3 Status",            "Get Status",            "Q3\r",    0,    0,   3,  0x0104, 1,   0,     90,  30,  kBuf,  kDigits, kTimeOut,   nullptr,               kNone};
const ReadCommand kGetBatteryVoltage{"Get Batt Volt",            "Get Batt Volt",         "Q4\r",    0,    0,   5,  0x0105, 2,   0,     30,  30,  kLive, kDigits, kTimeOut,   nullptr,               kVolts};
const ReadCommand kGetChargeVoltage {"Get Charge Volt",          "Get Charge Volt",       "Q6\r",    0,    0,   5,  0x0107, 2,   0,     30,  30,  kLive, kDigits, kTimeOut,   nullptr,               kVolts};
const ReadCommand kGetLoadVoltage   {"Get Light Volt",           "Get Load Volt",         "Q7\r",    0,    0,   5,  0x0109, 2,   0,     30,  30,  kLive, kDigits, kTimeOut,   nullptr,               kVolts};
const ReadCommand kGetChargeCurrent {"Get Charge Curr",          "Get Charge Curr",       "Q9\r",    0,    0,   5,  0x010D, 2,   0,     30,  30,  kLive, kDigits, kTimeOut,   nullptr,               kNone};
const ReadCommand kGetLoadCurrent   {"Get Load Current",         "Get Load Curr",         "Q5\r",    0,    0,   5,  0x010F, 2,   0,     30,  30,  kLive, kDigits, kTimeOut,   nullptr,               kNone};
const ReadCommand kGetSwitchMode    {"Get Switch Mode",          "Get Switch Mode",       "Q3\r",    0,    0,   3,  0,      0,   0,     140, 0,   kBuf,  kDigits, kTimeOut,   nullptr,               kNone};

//                                     name232                  name485                  address stride rs485  log    encode                 scale
const WriteCommand kSetVoltForLoad    {"Set Volt for Load",      "Set Volt for Load",     0x78,   0,     true,  true,  EncodeVoltForLoad,     kNone};
const WriteCommand kSetVModePwmFlag   {"Set VMode/Pwm flag",     "Set VMode/Pwm flag",    0x59,   0,     false, false, EncodeVModePwmFlag,    kNone};
const WriteCommand kSetSchedule       {"Set Sch %d",             "Set Sch %d",            0x00,   7,     true,  true,  EncodeSchedule,        kVolts};
const WriteCommand kSetLvdLvr         {"Set LVD/LVR",            "Set LVD/LVR",           0x61,   0,     true,  true,  EncodeLvdLvr,          kVolts};
const WriteCommand kSetAdvanceBattPara{"Set Advance Batt Para",  "Set Advance Batt Para", 0x6E,   0,     false, true,  EncodeAdvanceBattPara, kVolts};
const WriteCommand kSetFcvAcvOchtTc   {"Set FCV/ACV/OCHT/T.C",   "Set FCV/ACV/OCHT/T.C",  0x66,   0,     true,  true,  EncodeFcvAcvOchtTc,    kVolts};
const WriteCommand kSetPvDetect       {"Set PV Detect",          "Set PV",                0x5D,   0,     true,  true,  EncodePvDetect,        kVolts};
const WriteCommand kSetDuration       {"Set Dur %d",             "Set Dur %d",            0x38,   4,     true,  true,  EncodeDuration,        kVolts};
const WriteCommand kSetSwJpMode       {"Set Sw/Jp mode",         "Set Sw/Jp",             0x72,   0,     true,  true,  EncodeSwJpMode,        kVolts};
const WriteCommand kResetChargeCount  {"Reset Charge Count",     "Reset Charge Count",    0x6C,   0,     true,  true,  EncodeResetChargeCount,kNone};
const WriteCommand kSetRtc            {"Set RTC",                "Set RTC",               0x0203, 0,     true,  true,  nullptr,               kNone};
// clang-format on

}  // namespace commands

}  // namespace zelt
