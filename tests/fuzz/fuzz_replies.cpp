// Reply decoding in both framings: the scripted line answers every read command, the status
// read and the live readings with the fuzzer's bytes. Nothing may read outside its buffers,
// and a failed read-all must say so.
#include <cstdlib>

#include "FuzzCheck.h"
#include "LinkInput.h"
#include "link/ControllerLink.h"
#include "link/Sequences.h"
#include "support/RecordingHost.h"

using zelt::fuzzing::Check;
using zelt::fuzzing::LinkInput;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const LinkInput input = LinkInput::Parse(data, size);
    zelt::testing::FakeClock clock;
    zelt::testing::FakePort line(clock);
    zelt::fuzzing::AnswerWithInput(line, input);
    zelt::NullTraceSink trace;
    zelt::testing::RecordingHost host;
    zelt::testing::FakeWallClock wallClock(clock);
    zelt::CMainApp app;
    app.commMode = input.CommMode();
    app.rs485Id = input.deviceId;

    zelt::CControllerLink link(app, line, clock, trace, host, wallClock);
    link.SetMfgFolder("/nonexistent");  // the default divisors; no file is read

    const int readAll = zelt::ReadAllParameters(link);
    if (readAll == 0) {
        Check(!host.messages.empty());  // every failure is reported
    }
    Check(link.Record().sectors.size() <= 8);

    link.GetStatus();
    link.GetChargeCount();
    link.GetBatteryVoltage();
    link.GetChargeVoltage();
    link.GetChargeCurrent();
    link.GetLoadVoltage();
    link.GetLoadCurrent();
    link.GetSwitchMode();
    for (int tick = 0; tick < 5; ++tick) {  // the fifth tick polls
        link.OnPanelTimer();
    }
    return 0;
}
