#pragma once
// Builds .cfg images field by field from the file layout, independently of the code that
// writes them.

#include <bit>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "config/CfgDocument.h"
#include "support/TestEnv.h"

namespace zelt::testing {

class CfgImage {
  public:
    CfgImage& U8(uint8_t v) {
        bytes.push_back(v);
        return *this;
    }
    CfgImage& U32(uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
        }
        return *this;
    }
    CfgImage& I32(int32_t v) { return U32(static_cast<uint32_t>(v)); }
    CfgImage& F32(float v) { return U32(std::bit_cast<uint32_t>(v)); }
    CfgImage& Fill(std::size_t count, uint8_t v) {
        bytes.insert(bytes.end(), count, v);
        return *this;
    }
    // Overwrites a little-endian word at a byte offset.
    void PatchU32(std::size_t offset, uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            bytes.at(offset + i) = static_cast<uint8_t>(v >> (8 * i));
        }
    }

    std::vector<uint8_t> bytes;
};

// The file image of a record laid out field by field, with the head words given explicitly:
// signature, version, checksum, window top before left, then the file order.
inline CfgImage ImageOf(const CCfgDocument& r, uint32_t checksum) {
    CfgImage image;
    image.U32(0x78563412).U32(0x20090811).U32(checksum);
    image.I32(r.windowTop).I32(r.windowLeft).I32(r.windowRight).I32(r.windowBottom);
    image.U32(r.reservedWord).I32(static_cast<int32_t>(r.sectors.size()));
    for (const auto& s : r.sectors)
        image.I32(s.startMinute).I32(s.endMinute).I32(s.brightness);
    image.U32(r.vMode).F32(r.lvrVoltage).F32(r.lvdVoltage).F32(r.fcvVoltage).F32(r.acvVoltage);
    image.I32(r.ochtTime).I32(r.tempCompensation).U32(r.pwmEnabled);
    image.F32(r.maxVout).F32(r.minVout).F32(r.lightOnVoltage).F32(r.lightOffVoltage);
    image.U8(r.operatingMode).U8(r.lightingTime).F32(r.remoteLevel).U32(r.remoteLevelEnabled);
    image.I32(r.dtTime);
    for (int step = 0; step < CCfgDocument::kAutoSteps; ++step)
        image.I32(r.autoDuration[step]).I32(r.autoBrightness[step]);
    image.U32(r.lowLevelEnabled).F32(r.low1Voltage).F32(r.low2Voltage);
    image.I32(r.low1Brightness).I32(r.low2Brightness).U8(r.batteryType);
    for (const uint8_t b : r.reservedBytes)
        image.U8(b);
    return image;
}

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

inline uint32_t WordAt(const std::vector<uint8_t>& bytes, std::size_t offset) {
    return static_cast<uint32_t>(bytes.at(offset)) |
           static_cast<uint32_t>(bytes.at(offset + 1)) << 8 |
           static_cast<uint32_t>(bytes.at(offset + 2)) << 16 |
           static_cast<uint32_t>(bytes.at(offset + 3)) << 24;
}

}  // namespace zelt::testing
