#pragma once
// The RS485 probe that Auto Detect's walk and the bus scan send to one device ID after another:
// the one-byte read of 0x0103, answered within 90 ticks. A controller whose answer misses its
// window is not lost to the next ID's drain: when its reply (its ID, function, count and a
// checksum that holds) comes during the next ID's pause or window, it is taken for it. That
// costs no wait; only the end of a walk gives the last ID one frame's pause more.

#include <string>

#include "link/Transaction.h"

namespace zelt {

// The trace lines of a bus walk start with this and the ID.
constexpr const char* kBusScanTrace = "Scan RS485 ID";

// Probes id (1 to 255; 0 stands for none below) after a frame's pause. *unansweredId carries, from
// one probe of a walk to the next, the ID probed last whose answer is still out (0 when none; start
// a walk with 0). Returns the ID that answered: id; or *unansweredId, when its late reply came now,
// and then id still needs its probe (its window went to the late reply, or it was not sent); 0 when
// none did. Trace lines start with tracePrefix and the ID ("Scan RS485 ID17 Time Out=91 ticks!").
int ProbeRs485Id(LinkIo& io, const std::string& tracePrefix, int id, int* unansweredId);

// After a walk's last probe: one frame's pause more for the late reply of *unansweredId. Its
// ID when it came, else 0; the input is drained either way.
int TakeLateProbeReply(LinkIo& io, const std::string& tracePrefix, int* unansweredId);

}  // namespace zelt
