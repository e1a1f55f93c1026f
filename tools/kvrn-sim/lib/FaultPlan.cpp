#include "kvrn/FaultPlan.h"

#include "link/Transaction.h"

namespace kvrn {

FaultPlan::FaultPlan(Fault fault, double faultFraction, double dropFraction, uint32_t seed,
                     int lateReplyMs, int faultCount)
    : fault_(fault),
      faultFraction_(faultFraction),
      dropFraction_(dropFraction),
      lateReplyMs_(lateReplyMs),
      hitsLeft_(faultCount > 0 ? faultCount : -1),
      engine_(seed) {}

void FaultPlan::SetFault(Fault fault, double fraction) {
    fault_ = fault;
    faultFraction_ = fraction;
}

double FaultPlan::Draw() {
    return engine_() / 4294967296.0;
}

ShapedReply FaultPlan::Shape(Wire wire, const std::vector<uint8_t>& reply) {
    ShapedReply shaped;
    if (reply.empty())
        return shaped;
    // Both draws are taken for every reply, so one setting does not shift the other's pattern.
    const bool dropped = Draw() < dropFraction_;
    const bool hit = fault_ != Fault::None && Draw() < faultFraction_ && hitsLeft_ != 0;
    if (dropped)
        return shaped;
    shaped.bytes = reply;
    if (!hit)
        return shaped;
    if (hitsLeft_ > 0)
        --hitsLeft_;
    switch (fault_) {
        case Fault::None:
            break;
        case Fault::NoReply:
            shaped.bytes.clear();
            break;
        case Fault::LateReply:
            shaped.delayMs = lateReplyMs_;
            break;
        case Fault::TruncatedReply:
            shaped.bytes.resize(reply.size() / 2);
            break;
        case Fault::WrongLeader:
            if (wire == Wire::Rs232) {
                shaped.bytes[0] = 'E';
            } else if (shaped.bytes.size() >= 2) {
                // An exception reply: the function code with its top bit set.
                shaped.bytes[1] |= 0x80;
                shaped.bytes.back() = zelt::Rs485Checksum(
                    shaped.bytes.data(), static_cast<int>(shaped.bytes.size()) - 1);
            }
            break;
        case Fault::Damaged:
            // The first data byte: RS485 read data or write echo at offset 2 on, RS232 the
            // character after the letter (an "O" alone has none).
            if (wire == Wire::Rs485 && shaped.bytes.size() >= 4) {
                shaped.bytes[shaped.bytes[1] == 4 ? 3 : 2] ^= 0x10;
            } else if (wire == Wire::Rs232 && shaped.bytes.size() >= 2) {
                shaped.bytes[1] ^= 0x40;
            }
            break;
        case Fault::OtherId:
            if (wire == Wire::Rs485) {
                shaped.bytes[0] = static_cast<uint8_t>(shaped.bytes[0] % 255 + 1);
            }
            break;
        case Fault::Garbage: {
            // Noise of the reply's length that no reader could take for the reply.
            for (uint8_t& byte : shaped.bytes)
                byte = static_cast<uint8_t>(engine_() & 0xFF);
            if (wire == Wire::Rs232 && (shaped.bytes[0] == 'R' || shaped.bytes[0] == 'O'))
                shaped.bytes[0] ^= 0x80;
            if (wire == Wire::Rs485 && shaped.bytes.size() >= 2 && shaped.bytes[1] == reply[1])
                shaped.bytes[1] ^= 0x80;
            break;
        }
    }
    return shaped;
}

}  // namespace kvrn
