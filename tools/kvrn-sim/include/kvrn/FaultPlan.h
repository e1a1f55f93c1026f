#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "kvrn/FrameParser.h"
#include "kvrn/Sim.h"

namespace kvrn {

// What becomes of one reply on its way out.
struct ShapedReply {
    std::vector<uint8_t> bytes;  // empty: nothing is sent
    int delayMs = 0;             // before the first byte
};

// Decides, reply by reply and repeatably from a seed, which replies are dropped or spoiled.
class FaultPlan {
  public:
    // faultCount > 0: the fault hits no more than that many replies (the first it draws).
    FaultPlan(Fault fault, double faultFraction, double dropFraction, uint32_t seed,
              int lateReplyMs, int faultCount = 0);
    void SetFault(Fault fault, double fraction);
    ShapedReply Shape(Wire wire, const std::vector<uint8_t>& reply);

  private:
    // Uniform in [0, 1) from the engine's raw output, the same on every platform.
    double Draw();

    Fault fault_;
    double faultFraction_;
    double dropFraction_;
    int lateReplyMs_;
    int hitsLeft_;  // -1: no limit
    std::mt19937 engine_;
};

}  // namespace kvrn
