#pragma once
// The controller's read and write commands as data: one row per command with its trace names,
// requests, lengths, time-outs and buffer size, and the step that decodes or encodes its
// register block. One request core (CommandRunner) runs every row in either framing.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/Trace.h"
#include "config/CfgDocument.h"
#include "link/Framing.h"
#include "link/Readings.h"
#include "link/Telemetry.h"
#include "link/Transaction.h"

namespace zelt {

// ---- Conversions between volts, counts and brightness levels ----

// Count from volts: truncated, plus one when the fraction is above 0.5 (0.5 itself stays).
int CountFromVolts(double volts, double voltsPerCount);
// A level above 100 becomes 100, a negative one 0; otherwise the multiple of 10 within 4
// replaces it (levels ending in 5 have none and stay).
int SnapToTens(int level);
// The level rule after its full-scale and zero steps: count to percent, rounded and snapped.
// With voltsPerPercent 0 (equal load limits) any voltage above minVout is full brightness.
int LevelFromCount(int count, double voltsPerCount, float minVout, double voltsPerPercent);
// Brightness percent to a count: 1023 for 100 % without PWM, 0 for 0 %, else the count of
// p * voltsPerPercent + minVout.
int LevelToCount(int percent, uint32_t pwmEnabled, double voltsPerPercent, float minVout,
                 double voltsPerCount);

// One register block as a command sees it, in the framing that read it.
class RegisterBlock {
  public:
    RegisterBlock(const IFraming& framing, const uint8_t* reply)
        : framing_(framing), reply_(reply) {}

    bool Rs232() const { return framing_.Kind() == Framing::Rs232Ascii; }
    // The raw reply (RS232: after the in-place digit decoding of the transaction).
    const uint8_t* Reply() const { return reply_; }
    // RS232: decoded digit i of the reply (1-based), as the transaction left it.
    int Digit(int i) const { return reply_[i]; }
    // Byte k of the register block.
    int Byte(int k) const { return framing_.Byte(reply_, k); }
    // Word k, big-endian.
    int Word(int k) const { return Byte(k) * 256 + Byte(k + 1); }
    // The 10-bit count of voltage word k.
    int VoltCount(int k) const { return framing_.VoltCount(reply_, k); }
    // The level decoding rule on voltage word k.
    int Level(int k, double voltsPerCount, float minVout, double voltsPerPercent) const;

  private:
    const IFraming& framing_;
    const uint8_t* reply_;
};

// Decodes a reply into the record being read; the scale converts counts and levels.
using DecodeStep = int (*)(const RegisterBlock& block, int index, const ControllerScale& scale,
                           CCfgDocument& record);

struct ReadCommand {
    const char* name232;  // trace names; "%d" takes the 1-based slot or step
    const char* name485;
    const char* request232;  // a "Q" request, or nullptr for "G" + address + count
    int address232;          // RS232 "G" address of index 0
    int count232;
    int minLength;  // RS232 minimum reply length
    int address485;
    int count485;  // 0: no RS485 form
    int stride;    // address step per slot or step index
    int timeout232;
    int timeout485;
    int replySize;          // 80, or 200 for the live readings and the charge count
    AsciiReply asciiReply;  // the form of the RS232 reply after its "R"
    const char* timeoutSuffix;
    DecodeStep decode;  // nullptr: the caller decodes
    ScaleNeed scale;    // what the link must know of the controller first
};

// The bytes of one write, in both framings.
struct WriteFrame {
    std::string ascii;           // RS232 request, carriage return included
    std::vector<uint8_t> bytes;  // RS485 data bytes
};

// Encodes a record's values for the framing; the scale converts volts and levels to counts.
using EncodeStep = WriteFrame (*)(const CCfgDocument& record, const ControllerScale& scale,
                                  Framing framing, int index);

struct WriteCommand {
    const char* name232;
    const char* name485;
    int address;  // register address of index 0 (also the RS232 "S" address)
    int stride;   // per slot or step
    bool rs485;   // false: RS232 only, RS485 sends nothing and succeeds
    bool logRequest;
    EncodeStep encode;  // nullptr: the caller builds the frame
    ScaleNeed scale;
};

namespace commands {
// Reads.
extern const ReadCommand kGetVoltForLoad;
extern const ReadCommand kGetLvdrPvOnOffDt;
extern const ReadCommand kGetAdvanceBattPara;
extern const ReadCommand kGetVModePwmFlag;
extern const ReadCommand kGetSchedule;
extern const ReadCommand kGetDuration;
extern const ReadCommand kGetFcvAcvOchtTc;
extern const ReadCommand kGetChargeCount;
extern const ReadCommand kGetRtc;
extern const ReadCommand kGetVersion;
extern const ReadCommand kGetSerialNumber;
// Status and live readings.
extern const ReadCommand kGetStatus;
extern const ReadCommand kGetBatteryVoltage;
extern const ReadCommand kGetChargeVoltage;
extern const ReadCommand kGetLoadVoltage;
extern const ReadCommand kGetChargeCurrent;
extern const ReadCommand kGetLoadCurrent;
extern const ReadCommand kGetSwitchMode;
// Writes.
extern const WriteCommand kSetVoltForLoad;
extern const WriteCommand kSetVModePwmFlag;
extern const WriteCommand kSetSchedule;
extern const WriteCommand kSetLvdLvr;
extern const WriteCommand kSetAdvanceBattPara;
extern const WriteCommand kSetFcvAcvOchtTc;
extern const WriteCommand kSetPvDetect;
extern const WriteCommand kSetDuration;
extern const WriteCommand kSetSwJpMode;
extern const WriteCommand kResetChargeCount;
extern const WriteCommand kSetRtc;
}  // namespace commands

// The trace name of a command in a framing, with its index filled in.
std::string CommandName(const ReadCommand& cmd, const IFraming& framing, int index);
std::string CommandName(const WriteCommand& cmd, const IFraming& framing, int index);

// What write-all leaves in the record besides sending it: RS232 always sends a delay time of
// 60, and an over-charge time below 6 goes out as 60.
void ApplyWireDefaults(CCfgDocument& record, Framing framing);

// ---- Replies that are values rather than record fields ----

// The status byte, and the volts per count it implies (RS232 firmware 4 and later measures on
// a wider scale).
ControllerStatus DecodeStatus(const RegisterBlock& block);
double VoltsPerCountFor(Framing framing, uint16_t systemVoltage,
                        const std::string& firmwareVersion);
// False when an RS232 version reply is not 5 to 15 decimal digits.
bool DecodeVersion(const RegisterBlock& block, FirmwareIdentity* identity);
TimeOfDay DecodeRtc(const RegisterBlock& block);
// The 14 digits of the serial number: RS232 sends them as text, RS485 packed two to a byte
// in the first seven bytes of its block. Empty when never programmed (digits 1, 2, 3 and 10
// all F).
constexpr int kSerialDigits = 14;
std::string DecodeSerialNumber(const RegisterBlock& block);
SwitchMode DecodeSwitchMode(const RegisterBlock& block);
// A live voltage: volts, and on RS232 the arithmetic as a trace line of traceFormat
// (d1, d2, d3, volts per count, volts).
double DecodeLiveVolts(const RegisterBlock& block, double voltsPerCount, ITraceSink& trace,
                       const char* traceFormat);
// A current sense reading: amperes, and on RS232 the trace line (d1, d2, d3, sense volts).
double DecodeLiveCurrent(const RegisterBlock& block, uint32_t divisor, uint32_t fallbackDivisor,
                         ITraceSink& trace, const char* traceFormat);

// "Set RTC"'s frame for a time of day: "T" hhmmss or three packed-BCD bytes.
WriteFrame EncodeClock(int hour, int minute, int second);

}  // namespace zelt
