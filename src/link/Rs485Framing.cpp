// The RS485 backend: function 4 reads and function 16 writes addressed to a device ID, with
// the checksum the transaction checks, and Auto Detect's walk over the IDs.

#include "link/CommandCatalogue.h"
#include "link/Framing.h"
#include "link/Rs485Probe.h"

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

    bool Probe(LinkIo& io, int portNumber, int id, int, int* unansweredId,
               int* foundId) const override {
        *foundId = ProbeRs485Id(io, TracePrefix(portNumber), id, unansweredId);
        return *foundId != 0;
    }

    bool TakeLateReply(LinkIo& io, int portNumber, int* unansweredId, int* foundId) const override {
        *foundId = TakeLateProbeReply(io, TracePrefix(portNumber), unansweredId);
        return *foundId != 0;
    }

  private:
    static std::string TracePrefix(int portNumber) {
        return StrF("Auto Detect COM%d RS485 ID", portNumber);
    }

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
