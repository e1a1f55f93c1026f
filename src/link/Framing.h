#pragma once
// The two framings as one interface: the request core and Auto Detect choose a backend once,
// from the address, and never ask which one they hold. RS232 speaks hex-digit ASCII requests
// and replies; RS485 speaks binary frames with a device ID and a checksum.

#include <cstdint>
#include <string>
#include <vector>

#include "link/LinkAddress.h"
#include "link/Transaction.h"

namespace zelt {

constexpr int kProbeTimeoutTicks = 90;  // Auto Detect's and the bus scan's probe

struct ReadCommand;
struct WriteCommand;
struct WriteFrame;

class IFraming {
  public:
    virtual ~IFraming() = default;

    // A read whose command has no form in this framing: nothing was sent.
    static constexpr int kNoForm = 2;

    virtual Framing Kind() const = 0;
    // The comm mode that paces the port's bytes (232 or 485).
    virtual uint16_t CommMode() const = 0;
    // The command's trace name in this framing.
    virtual const char* NameOf(const char* name232, const char* name485) const = 0;

    // Sends the read of cmd for index and takes its reply into reply (cmd.replySize bytes):
    // 1, 0 on failure, kNoForm.
    virtual int Read(LinkIo& io, uint8_t deviceId, const ReadCommand& cmd, int index,
                     const std::string& name, uint8_t* reply) const = 0;
    // Sends the write of frame; a command without a form here sends nothing and succeeds.
    virtual int Write(LinkIo& io, uint8_t deviceId, const WriteCommand& cmd, int index,
                      const WriteFrame& frame, const std::string& name, uint8_t* reply,
                      int replySize) const = 0;

    // The register block of a reply: byte k, and the 10-bit count of the voltage word at k.
    virtual int Byte(const uint8_t* reply, int k) const = 0;
    virtual int VoltCount(const uint8_t* reply, int k) const = 0;
    // A level word the framing reads without arithmetic (RS232's "FFF"/"000" forms); -1 for
    // one that needs the level rule.
    virtual int LevelWithoutScale(const uint8_t* reply, int k) const = 0;

    // Auto Detect: the device IDs to probe on one port, in order (RS232: one probe, 0).
    virtual std::vector<int> ProbeOrder(int preferredId) const = 0;
    // One probe on the open port; true when the controller answered, with the device ID it
    // reports (RS232 keeps preferredId when the reply carries none). *unansweredId carries one
    // port's walk from probe to probe (0 at its start): RS485 takes there the late reply of
    // the ID probed before (see ProbeRs485Id), RS232 leaves it 0.
    virtual bool Probe(LinkIo& io, int portNumber, int id, int preferredId, int* unansweredId,
                       int* foundId) const = 0;
    // After a port's last probe: true, with its ID, when that probe's reply came late.
    virtual bool TakeLateReply(LinkIo& io, int portNumber, int* unansweredId,
                               int* foundId) const = 0;
};

const IFraming& FramingOf(Framing framing);
const IFraming& Rs232Backend();
const IFraming& Rs485Backend();

}  // namespace zelt
