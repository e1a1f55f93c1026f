// Reply decoding in both framings: the scripted line answers every read command, the status
// read and the live readings with the fuzzer's bytes. Nothing may read outside its buffers,
// and a failed read-all must list what failed.
#include <cstdlib>
#include <optional>

#include "FuzzCheck.h"
#include "LinkInput.h"
#include "link/ControllerLink.h"
#include "link/Sequences.h"

using zelt::fuzzing::Check;
using zelt::fuzzing::LinkInput;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const LinkInput input = LinkInput::Parse(data, size);
    zelt::testing::FakeClock clock;
    zelt::testing::FakePort line(clock);
    zelt::fuzzing::AnswerWithInput(line, input);
    zelt::NullTraceSink trace;
    zelt::testing::FakeWallClock wallClock(clock);
    zelt::CControllerLink link(line, clock, trace, wallClock, input.Address());

    const zelt::ReadAllResult all = zelt::ReadAll(link, zelt::CCfgDocument{});
    Check(all.outcome.AllListedSucceeded() == all.outcome.Summary(true).empty());
    Check(all.record.sectors.size() <= 8);

    zelt::ControllerStatus status;
    int count = 0;
    float value = 0;
    std::optional<zelt::SwitchMode> mode;
    link.GetStatus(&status);
    link.GetChargeCount(&count);
    link.GetBatteryVoltage(&value);
    link.GetChargeVoltage(&value);
    link.GetChargeCurrent(0, &value);
    link.GetLoadVoltage(&value);
    link.GetLoadCurrent(0, &value);
    link.GetSwitchMode(&mode);
    return 0;
}
