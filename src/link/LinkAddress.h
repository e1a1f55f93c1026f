#pragma once
// Where a command goes: the framing spoken on the open port and, for RS485, the device ID.
// Every controller object carries one; nothing reads the settings behind the caller's back.

#include <cstdint>

namespace zelt {

enum class Framing : uint8_t {
    Rs232Ascii,   // "G", "Q", "S", "T" requests, hex-digit replies
    Rs485Binary,  // function 4 / 16 frames with device ID and checksum
};

struct LinkAddress {
    Framing framing = Framing::Rs232Ascii;
    uint8_t rs485Id = 1;  // ignored by RS232

    // The settings' comm mode (232 = RS232 ASCII, anything else RS485) and device ID.
    static LinkAddress FromSettings(uint16_t commMode, uint16_t rs485Id) {
        return LinkAddress{commMode == 232 ? Framing::Rs232Ascii : Framing::Rs485Binary,
                           static_cast<uint8_t>(rs485Id & 0xFF)};
    }
    static LinkAddress Rs485(int id) {
        return LinkAddress{Framing::Rs485Binary, static_cast<uint8_t>(id & 0xFF)};
    }

    friend bool operator==(const LinkAddress&, const LinkAddress&) = default;
};

}  // namespace zelt
