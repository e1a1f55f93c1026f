// The RS485 backend: function 4 reads and function 16 writes addressed to a device ID, with
// the checksum the transaction checks, and Auto Detect's walk over the IDs.

#include "link/CommandCatalogue.h"
#include "link/Framing.h"

namespace zelt {

namespace {

constexpr int kWriteTimeout = 140;

}  // namespace

class Rs485Framing final : public IFraming {
  public:
    Framing Kind() const override { return Framing::Rs485Binary; }
    uint16_t CommMode() const override { return 485; }
    const char* NameOf(const char*, const char* name485) const override { return name485; }

    int Read(LinkIo& io, uint8_t deviceId, const ReadCommand& cmd, int index,
             const std::string& name, uint8_t* reply) const override {
        if (cmd.count485 == 0) {
            return kNoForm;
        }
        const int address = cmd.address485 + cmd.stride * index;
        return Rs485Transaction(io, deviceId, 4, static_cast<uint8_t>(address >> 8),
                                static_cast<uint8_t>(address & 0xFF),
                                static_cast<uint8_t>(cmd.count485), nullptr, reply, cmd.replySize,
                                cmd.timeout485, name.c_str());
    }

    int Write(LinkIo& io, uint8_t deviceId, const WriteCommand& cmd, int index,
              const WriteFrame& frame, const std::string& name, uint8_t* reply,
              int replySize) const override {
        if (!cmd.rs485) {
            return 1;
        }
        const int address = cmd.address + cmd.stride * index;
        return Rs485Transaction(io, deviceId, 16, static_cast<uint8_t>(address >> 8),
                                static_cast<uint8_t>(address & 0xFF),
                                static_cast<uint8_t>(frame.bytes.size()), frame.bytes.data(), reply,
                                replySize, kWriteTimeout, name.c_str());
    }

    // The register bytes follow ID, function and count.
    int Byte(const uint8_t* reply, int k) const override { return reply[3 + k]; }
    // A voltage word carries its count shifted left by six.
    int VoltCount(const uint8_t* reply, int k) const override {
        return reply[3 + k] * 4 + (reply[4 + k] >> 6);
    }
    int LevelWithoutScale(const uint8_t*, int) const override { return -1; }

    // The ID of the settings first, then every ID from the top down.
    std::vector<int> ProbeOrder(int preferredId) const override {
        std::vector<int> ids{preferredId};
        for (int id = kHighestProbedId; id >= 1; --id) {
            ids.push_back(id);
        }
        return ids;
    }

    bool Probe(LinkIo& io, int portNumber, int id, int, int* foundId) const override {
        const uint8_t deviceId = static_cast<uint8_t>(id & 0xFF);
        uint8_t reply[kReplyBufferSize] = {};
        io.clock.Sleep(kPauseMs);
        DrainInput(io, reply, kReplyBufferSize);  // a late answer to the previous ID
        uint8_t frame[6] = {deviceId, 4, 0x01, 0x03, 1, 0};
        frame[5] = Rs485Checksum(frame, 5);
        io.port.Write(frame, 6);
        long elapsed = 0;
        if (!WaitForBytes(io, kProbeReply, kProbeTimeoutTicks, &elapsed)) {
            TraceF(io.trace, "Auto Detect COM%d RS485 ID%d Time Out=%d ticks!\n", portNumber, id,
                   static_cast<int>(elapsed));
            DrainInput(io, reply, kReplyBufferSize);
            return false;
        }
        const int got = io.port.Read(reply, kReplyBufferSize - 1);
        // Another device's answer, or a damaged one, must not find the controller at this ID.
        if (const char* why = Rs485ReplyFault(reply, got, frame, kProbeReply)) {
            TraceF(io.trace, "Auto Detect COM%d RS485 ID%d Fail, KVRN->PC:%s\n", portNumber, id,
                   reinterpret_cast<const char*>(reply));
            TraceF(io.trace, "Auto Detect COM%d RS485 ID%d reply refused: %s\n", portNumber, id,
                   why);
            return false;
        }
        *foundId = id;
        return true;
    }

  private:
    static constexpr int kProbeReply = 5;  // ID, function, count, the ID byte, checksum
    static constexpr int kPauseMs = 25;
    static constexpr int kHighestProbedId = 250;
};

const IFraming& Rs485Backend() {
    static const Rs485Framing backend;
    return backend;
}

const IFraming& FramingOf(Framing framing) {
    return framing == Framing::Rs232Ascii ? Rs232Backend() : Rs485Backend();
}

}  // namespace zelt
