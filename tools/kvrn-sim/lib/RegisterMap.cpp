#include "kvrn/RegisterMap.h"

#include <cmath>

namespace kvrn {

uint8_t RegisterMap::Get(int address) const {
    if (address < 0 || address >= kRegisterSpace)
        return 0;
    return bytes_[address];
}

void RegisterMap::Set(int address, uint8_t value) {
    if (address >= 0 && address < kRegisterSpace)
        bytes_[address] = value;
}

std::vector<uint8_t> RegisterMap::Block(int address, int count) const {
    std::vector<uint8_t> block;
    for (int i = 0; i < count; ++i)
        block.push_back(Get(address + i));
    return block;
}

uint16_t RegisterMap::Word(int address) const {
    return static_cast<uint16_t>(Get(address) << 8 | Get(address + 1));
}

void RegisterMap::SetWord(int address, uint16_t value) {
    Set(address, static_cast<uint8_t>(value >> 8));
    Set(address + 1, static_cast<uint8_t>(value & 0xFF));
}

bool ParseFirmware(const std::string& text, FirmwareVersion* version) {
    // One major digit, a dot, one or two minor digits.
    if (text.size() < 3 || text.size() > 4 || text[1] != '.')
        return false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (i != 1 && (text[i] < '0' || text[i] > '9'))
            return false;
    }
    version->major = text[0] - '0';
    int minor = 0;
    for (size_t i = 2; i < text.size(); ++i)
        minor = minor * 16 + (text[i] - '0');
    version->minorBcd = minor;
    return true;
}

VoltScales ScalesFor(bool system24V, const FirmwareVersion& firmware) {
    VoltScales scales;
    scales.rs485 = system24V ? 49.0 / 1024 : 24.5 / 1024;
    if (firmware.major >= 4)
        scales.rs232 = system24V ? 70.5 / 1024 : 35.0 / 1024;
    else
        scales.rs232 = scales.rs485;
    return scales;
}

int CountFromVolts(double volts, double voltsPerCount) {
    const long count = std::lround(volts / voltsPerCount);
    if (count < 0)
        return 0;
    return count > 1023 ? 1023 : static_cast<int>(count);
}

const std::vector<int>& VoltageWordAddresses() {
    static const std::vector<int> addresses = [] {
        std::vector<int> list;
        for (int slot = 0; slot < reg::kSlotCount; ++slot)
            list.push_back(reg::kScheduleSlots + slot * reg::kSlotSize + 5);
        for (int step = 0; step < reg::kAutoStepCount; ++step)
            list.push_back(reg::kAutoSteps + step * 4 + 2);
        for (int address :
             {reg::kLightOn, reg::kLightOff, reg::kLvd, reg::kLvr, reg::kFcv, reg::kAcv,
              reg::kLow1Voltage, reg::kLow1Level, reg::kLow2Voltage, reg::kLow2Level})
            list.push_back(address);
        return list;
    }();
    return addresses;
}

namespace {

// Factory settings of a 12 V lighting controller; a 24 V controller doubles every voltage.
struct Slot {
    int startHour, startMinute, endHour, endMinute, level;
};
constexpr Slot kFactorySchedule[] = {{18, 0, 23, 0, 100}, {23, 0, 5, 0, 50}};
constexpr int kFactoryStepMinutes[reg::kAutoStepCount] = {60, 120, 180, 120, 60, 60, 60, 60};
constexpr int kFactoryStepLevels[reg::kAutoStepCount] = {100, 80, 60, 50, 40, 50, 70, 100};
constexpr uint16_t kFullScaleWord = 0xFFC0;      // count 1023
constexpr uint16_t kFullScaleSlotWord = 0xFFF0;  // what the utility writes into a slot

class FactoryWriter {
  public:
    FactoryWriter(RegisterMap& map, bool system24V)
        : map_(map),
          factor_(system24V ? 2.0 : 1.0),
          scale_(system24V ? 49.0 / 1024 : 24.5 / 1024),
          maxVout_(12.0 * factor_),
          minVout_(8.0 * factor_) {}

    // A 12 V figure, doubled on a 24 V system.
    void Volts(int address, double volts12) {
        map_.SetWord(address, WordFromCount(CountFromVolts(volts12 * factor_, scale_)));
    }
    // A brightness level: the load voltage between the limits, full scale for 100 %.
    void Level(int address, int percent, uint16_t fullScale = kFullScaleWord) {
        if (percent >= 100) {
            map_.SetWord(address, fullScale);
            return;
        }
        const double volts = percent * (maxVout_ - minVout_) / 100 + minVout_;
        map_.SetWord(address, percent == 0 ? 0 : WordFromCount(CountFromVolts(volts, scale_)));
    }
    void LoadLimits() {
        const int max = static_cast<int>(maxVout_ * 10);
        const int min = static_cast<int>(minVout_ * 10);
        map_.Set(reg::kLoadLimits, static_cast<uint8_t>(max & 0xFF));
        map_.Set(reg::kLoadLimits + 1, static_cast<uint8_t>(min & 0xFF));
        map_.Set(reg::kLoadLimits + 2,
                 static_cast<uint8_t>((max > 255 ? 1 : 0) | (min > 255 ? 2 : 0)));
    }

  private:
    RegisterMap& map_;
    double factor_;
    double scale_;
    double maxVout_;
    double minVout_;
};

void SetSerial(RegisterMap& map, const std::string& digits) {
    for (int i = 0; i < reg::kSerialSize; ++i)
        map.Set(reg::kSerial + i, 0xFF);
    if (digits.size() != reg::kSerialSize)
        return;
    for (int i = 0; i < reg::kSerialSize / 2; ++i) {
        const int high = digits[2 * i] - '0';
        const int low = digits[2 * i + 1] - '0';
        map.Set(reg::kSerial + i, static_cast<uint8_t>(high << 4 | low));
    }
}

}  // namespace

void LoadFactoryImage(RegisterMap& map, const SimOptions& options,
                      const FirmwareVersion& firmware) {
    FactoryWriter writer(map, options.system24V);
    int slot = 0;
    for (const Slot& s : kFactorySchedule) {
        const int base = reg::kScheduleSlots + slot * reg::kSlotSize;
        map.Set(base, 1);
        map.Set(base + 1, static_cast<uint8_t>(s.startHour));
        map.Set(base + 2, static_cast<uint8_t>(s.startMinute));
        map.Set(base + 3, static_cast<uint8_t>(s.endHour));
        map.Set(base + 4, static_cast<uint8_t>(s.endMinute));
        writer.Level(base + 5, s.level, kFullScaleSlotWord);
        ++slot;
    }
    for (int step = 0; step < reg::kAutoStepCount; ++step) {
        map.SetWord(reg::kAutoSteps + 4 * step, static_cast<uint16_t>(kFactoryStepMinutes[step]));
        writer.Level(reg::kAutoSteps + 4 * step + 2, kFactoryStepLevels[step]);
    }
    map.Set(reg::kVMode, 0);
    map.Set(reg::kPwm, 1);  // PWM disabled
    writer.Volts(reg::kLightOn, 5.0);
    writer.Volts(reg::kLightOff, 6.0);
    writer.Volts(reg::kLvd, 11.1);
    writer.Volts(reg::kLvr, 12.6);
    map.Set(reg::kDt, 60);
    writer.Volts(reg::kFcv, 13.8);
    writer.Volts(reg::kAcv, 14.4);
    map.Set(reg::kOcht, 120);
    map.Set(reg::kTempCompensation, 6);  // kept in RS232 units (5 per count on 12 V): 30
    map.SetWord(reg::kChargeCount, 37);
    map.Set(reg::kLowLevelEnable, 1);
    writer.Volts(reg::kLow1Voltage, 11.8);
    writer.Level(reg::kLow1Level, 70);
    writer.Volts(reg::kLow2Voltage, 11.5);
    writer.Level(reg::kLow2Level, 40);
    map.Set(reg::kRs485Id, static_cast<uint8_t>(options.deviceId));
    writer.LoadLimits();
    map.Set(reg::kVersion, 0);  // revision 0: a release build
    map.Set(reg::kVersion + 1, static_cast<uint8_t>(firmware.major));
    map.Set(reg::kVersion + 2, static_cast<uint8_t>(options.vendorId));
    map.Set(reg::kVersion + 3, 5);  // battery type
    map.Set(reg::kVersion + 4, static_cast<uint8_t>(firmware.minorBcd));
    SetSerial(map, options.serialNumber);
}

}  // namespace kvrn
