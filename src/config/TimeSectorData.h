#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace zelt {

// The noon-to-noon axis the record's sector minutes lie on, and the brightest a sector gets.
namespace timeaxis {

constexpr int kMinutesPerDay = 1440;
constexpr int kNoonOffset = 720;  // axis minute of 00:00 midnight
constexpr int kMaxBrightness = 100;

}  // namespace timeaxis

// One lighting-schedule sector on the noon-to-noon axis: minutes after 12:00 noon (0..1440)
// and brightness in percent. The record keeps plain values; the schedule editor pairs each
// with the window that shows it.
struct CTimeSectorData {
    // Bytes of one sector in a .cfg file and in any serialised form.
    static constexpr std::size_t kSerializedSize = 12;
    using Bytes = std::array<uint8_t, kSerializedSize>;

    int32_t startMinute = 0;
    int32_t endMinute = 0;
    int32_t brightness = 100;

    // startMinute, endMinute, brightness, each a little-endian 32-bit word.
    Bytes Serialize() const;
    static CTimeSectorData Deserialize(std::span<const uint8_t, kSerializedSize> bytes);

    friend bool operator==(const CTimeSectorData&, const CTimeSectorData&) = default;
};

}  // namespace zelt
