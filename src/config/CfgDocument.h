#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "config/TimeSectorData.h"

namespace zelt {

// The configuration record: every value that travels between the controller, the panel and
// .cfg files. Plain public fields in file order; construction gives the defaults below.
class CCfgDocument {
  public:
    static constexpr int kAutoSteps = 8;
    static constexpr int kReservedBytes = 108;

    uint32_t fileMagic = 0;
    uint32_t fileVersion = 0;
    uint32_t fileChecksum = 0;
    int32_t windowLeft = 140;
    int32_t windowTop = 0;
    int32_t windowRight = 810;
    int32_t windowBottom = 738;
    uint32_t reservedWord = 0;
    int32_t sectorCount = 0;
    std::vector<CTimeSectorData> sectors;
    uint32_t vMode = 0;
    float lvrVoltage = 12.4f;
    float lvdVoltage = 11.1f;
    float fcvVoltage = 13.6f;
    float acvVoltage = 14.6f;
    uint32_t lowLevelEnabled = 0;
    float low1Voltage = 11.8f;
    float low2Voltage = 11.4f;
    int32_t low1Brightness = 40;
    int32_t low2Brightness = 30;
    int32_t ochtTime = 0;
    int32_t tempCompensation = 30;
    uint32_t pwmEnabled = 0;
    float maxVout = 12.0f;
    float minVout = 8.0f;
    float lightOnVoltage = 2.5f;
    float lightOffVoltage = 6.0f;
    uint8_t operatingMode = 3;
    uint8_t lightingTime = 3;
    float remoteLevel = 11.1f;
    uint32_t remoteLevelEnabled = 0;
    int32_t dtTime = 60;
    std::array<int32_t, kAutoSteps> autoDuration{60, 60, 60, 60, 60, 60, 60, 60};
    std::array<int32_t, kAutoSteps> autoBrightness{100, 100, 100, 100, 100, 100, 100, 100};
    uint8_t batteryType = 5;
    std::array<uint8_t, kReservedBytes> reservedBytes = FilledReserved();

    friend bool operator==(const CCfgDocument&, const CCfgDocument&) = default;

  private:
    static constexpr std::array<uint8_t, kReservedBytes> FilledReserved() {
        std::array<uint8_t, kReservedBytes> bytes{};
        for (auto& b : bytes) {
            b = 0xFF;
        }
        return bytes;
    }
};

}  // namespace zelt
