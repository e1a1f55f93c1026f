#pragma once
// How the link targets read the fuzzer's bytes, and the line that answers with them: a head
// of two bytes, then the reply that the line gives to every request.
//   byte 0, bit 0:    0 = RS232 ASCII framing, 1 = RS485 binary framing
//   byte 0, bits 1-3: when the reply arrives after the request (a few delays, some beyond
//                     every time-out, so that the time-out paths are taken as well)
//   byte 1:           the RS485 device ID the program uses
//   the rest:         the reply

#include <cstddef>
#include <cstdint>
#include <vector>

#include "link/LinkAddress.h"
#include "support/FakeLink.h"

namespace zelt::fuzzing {

struct LinkInput {
    bool rs232 = true;
    long replyDelayTicks = 0;
    uint8_t deviceId = 250;
    std::vector<uint8_t> reply;

    static LinkInput Parse(const uint8_t* data, size_t size) {
        static constexpr long kDelays[8] = {0, 2, 10, 29, 31, 89, 91, 500};
        LinkInput input;
        if (size >= 1) {
            input.rs232 = (data[0] & 1) == 0;
            input.replyDelayTicks = kDelays[(data[0] >> 1) & 7];
        }
        if (size >= 2) {
            input.deviceId = data[1];
        }
        if (size > 2) {
            input.reply.assign(data + 2, data + size);
        }
        return input;
    }

    LinkAddress Address() const {
        return LinkAddress{rs232 ? Framing::Rs232Ascii : Framing::Rs485Binary, deviceId};
    }
};

// Answers every request with the input's reply after its delay.
inline void AnswerWithInput(testing::FakePort& port, const LinkInput& input) {
    port.onWrite = [&input](testing::FakePort& line, const testing::Bytes&) {
        if (!input.reply.empty()) {
            line.ReplyAfter(input.replyDelayTicks, input.reply);
        }
    };
}

}  // namespace zelt::fuzzing
