// The discovery probes in both framings: the scripted line behind the program's CComPort
// answers every "G7701" probe and every RS485 ID probe with the fuzzer's bytes.
#include <cstdlib>

#include "FuzzCheck.h"
#include "LinkInput.h"
#include "ScriptedComPort.h"
#include "link/Discovery.h"

using zelt::fuzzing::Check;
using zelt::fuzzing::LinkInput;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const LinkInput input = LinkInput::Parse(data, size);
    zelt::testing::FakeClock clock;
    zelt::testing::FakePort line(clock);
    zelt::fuzzing::AnswerWithInput(line, input);
    zelt::NullTraceSink trace;
    zelt::fuzzing::SetLineBehindComPort(&line);

    // COM2 and, in RS232 mode, COM5 exist. The RS485 walk probes up to 251 IDs on each port;
    // one port keeps a million inputs within a test run's reach.
    zelt::CPortTable table;
    table.available[1] = 2;
    table.highestPort = 2;
    if (input.rs232) {
        table.available[4] = 5;
        table.highestPort = 5;
    }
    const zelt::DetectResult found =
        zelt::CAutoDetect(zelt::theComPort, clock, trace).Run(table, input.Address());

    // A reply that comes after the first port's time-out may be taken on the second port.
    Check(found.port == 0 || found.port == 2 || found.port == 5);
    Check(zelt::theComPort.IsOpen() == (found.port != 0));
    Check(found.port == 0 || found.address.framing == input.Address().framing);
    zelt::theComPort.Close();
    zelt::fuzzing::SetLineBehindComPort(nullptr);
    return 0;
}
