#include "config/TimeSectorData.h"

namespace zelt {

namespace {

void PutWord(uint8_t* out, int32_t value) {
    const auto word = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<uint8_t>(word >> (8 * i));
    }
}

int32_t GetWord(const uint8_t* in) {
    const uint32_t word = static_cast<uint32_t>(in[0]) | static_cast<uint32_t>(in[1]) << 8 |
                          static_cast<uint32_t>(in[2]) << 16 | static_cast<uint32_t>(in[3]) << 24;
    return static_cast<int32_t>(word);
}

}  // namespace

CTimeSectorData::Bytes CTimeSectorData::Serialize() const {
    Bytes bytes{};
    PutWord(bytes.data(), startMinute);
    PutWord(bytes.data() + 4, endMinute);
    PutWord(bytes.data() + 8, brightness);
    return bytes;
}

CTimeSectorData CTimeSectorData::Deserialize(std::span<const uint8_t, kSerializedSize> bytes) {
    CTimeSectorData sector;
    sector.startMinute = GetWord(bytes.data());
    sector.endMinute = GetWord(bytes.data() + 4);
    sector.brightness = GetWord(bytes.data() + 8);
    return sector;
}

}  // namespace zelt
