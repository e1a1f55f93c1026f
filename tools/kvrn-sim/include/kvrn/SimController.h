#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kvrn/FrameParser.h"
#include "kvrn/RegisterMap.h"
#include "kvrn/Sim.h"

namespace kvrn {

// The controller's real-time clock: runs from a time of day set at some moment of a steady
// millisecond clock.
class SimClock {
  public:
    SimClock(int64_t nowMs, int64_t msOfDay) { Set(nowMs, msOfDay); }
    void Set(int64_t nowMs, int64_t msOfDay);
    int64_t MsOfDay(int64_t nowMs) const;
    int SecondOfDay(int64_t nowMs) const { return static_cast<int>(MsOfDay(nowMs) / 1000); }

  private:
    int64_t originMs_ = 0;
    int64_t msOfDayAtOrigin_ = 0;
};

// Milliseconds since local midnight on the host.
int64_t HostMsOfDay();

// What the battery, panel and lamp are doing at a time of day. Volts are for the system
// voltage; current senses are the counts the controller's shunt amplifiers give.
struct PlantReading {
    double batteryVolts = 0;
    double panelVolts = 0;
    double loadVolts = 0;
    int chargeSenseCount = 0;
    int loadSenseCount = 0;
    bool charging = false;
    bool loadOn = false;
};

// A 12 V (or 24 V) lead-acid battery charged by a panel through the day and discharged by the
// lamp through the night, following the schedule in the register map.
class PlantModel {
  public:
    PlantModel(bool system24V, bool overVoltage)
        : factor_(system24V ? 2 : 1), overVoltage_(overVoltage) {}
    // In schedule mode the lamp follows the schedule slots; otherwise it is on while the panel
    // is below the light-on voltage.
    PlantReading At(int secondOfDay, const RegisterMap& map, double voltsPerCount,
                    bool scheduleMode) const;

    // Shunt conversions the utility undoes with its default divisors.
    static constexpr int kChargeDivisor = 172;
    static constexpr int kLoadDivisor = 213;
    static int SenseCount(double amperes, int divisor);

  private:
    double BatteryVolts(double hour) const;
    // The level word of the schedule slot covering the time, or -1 when none does.
    static int ActiveSlotWord(int minuteOfDay, const RegisterMap& map);

    int factor_;
    bool overVoltage_;
};

// One request and what the controller answers (an empty reply: no answer).
struct Exchange {
    Request request;
    std::vector<uint8_t> reply;
    bool forUs = false;  // addressed to this controller and understood
};

// The protocol brain: register map, clock and plant, fed with received bytes and a time.
// No I/O; the server moves the bytes.
class SimController {
  public:
    // nowMs: a steady millisecond clock; msOfDay: the clock's time of day at that moment
    // (negative: the host's local time).
    SimController(const SimOptions& options, int64_t nowMs, int64_t msOfDay = -1);

    std::vector<Exchange> Feed(const uint8_t* data, size_t size, int64_t nowMs);
    // Answers one complete request.
    Exchange Handle(const Request& request, int64_t nowMs);

    // Register access as the controller would present it over RS485 (live values refreshed).
    uint8_t Register(int address, int64_t nowMs);
    std::vector<uint8_t> Registers(int address, int count, int64_t nowMs);
    // Direct store, bypassing the read-only rules (tests, demos).
    void SetRegister(int address, uint8_t value);

    uint8_t DeviceId() const { return map_.Get(reg::kRs485Id); }
    uint8_t StatusByte(int64_t nowMs);
    const VoltScales& Scales() const { return scales_; }
    int SecondOfDay(int64_t nowMs) const { return clock_.SecondOfDay(nowMs); }

  private:
    std::vector<uint8_t> HandleAscii(const std::string& text, int64_t nowMs);
    std::vector<uint8_t> HandleQuery(char which, int64_t nowMs);
    std::vector<uint8_t> HandleBinary(const std::vector<uint8_t>& frame, int64_t nowMs,
                                      bool* forUs);
    void Refresh(int64_t nowMs);
    uint8_t StatusByteOf(const PlantReading& reading) const;
    // Register bytes as an interface shows them, and the inverse for writes.
    std::vector<uint8_t> ReadView(Wire wire, int address, int count, int64_t nowMs);
    void WriteView(Wire wire, int address, const std::vector<uint8_t>& data, int64_t nowMs);
    bool IsWritable(int address) const;
    void WriteClockByte(int address, uint8_t value, int64_t nowMs);

    SimOptions options_;
    FirmwareVersion firmware_;
    VoltScales scales_;
    RegisterMap map_;
    SimClock clock_;
    PlantModel plant_;
    FrameParser parser_;
    uint8_t operatingMode_ = 1;  // Schedule, until a write to 0x72 says otherwise
    uint8_t lightingTime_ = 0;
    bool wasCharging_ = false;
    bool chargeStateKnown_ = false;
    PlantReading last_;
};

// Text of bytes for trace lines: printable ASCII as is, others as <xx>.
std::string PrintableBytes(const std::vector<uint8_t>& bytes);

}  // namespace kvrn
