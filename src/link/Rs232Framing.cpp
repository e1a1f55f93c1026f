// The RS232 backend: "G" aa nn / "Q" n reads, "S" / "T" writes, replies of hex digits that the
// transaction decodes in place, and Auto Detect's "G7701" probe.

#include "link/CommandCatalogue.h"
#include "link/Framing.h"

namespace zelt {

namespace {

constexpr char kDetectRequest[] = "G7701\r";
constexpr int kDetectRequestLength = 6;
constexpr int kDetectMinReply = 3;
constexpr int kWriteTimeout = 140;

// One hexadecimal digit of the "G7701" reply (0-9, A-F, a-f); -1 for any other character.
int DetectDigit(uint8_t byte) {
    if (byte >= '0' && byte <= '9') {
        return byte - '0';
    }
    if (byte >= 'A' && byte <= 'F') {
        return byte - 'A' + 10;
    }
    if (byte >= 'a' && byte <= 'f') {
        return byte - 'a' + 10;
    }
    return -1;
}

}  // namespace

class Rs232Framing final : public IFraming {
  public:
    Framing Kind() const override { return Framing::Rs232Ascii; }
    uint16_t CommMode() const override { return 232; }
    const char* NameOf(const char* name232, const char*) const override { return name232; }

    int Read(LinkIo& io, uint8_t, const ReadCommand& cmd, int index, const std::string& name,
             uint8_t* reply) const override {
        const std::string request =
            cmd.request232 != nullptr
                ? std::string(cmd.request232)
                : StrF("G%02X%02X\r", cmd.address232 + cmd.stride * index, cmd.count232);
        return AsciiReadTransaction(
            io, request.c_str(), static_cast<int>(request.size()), cmd.minLength, cmd.timeout232,
            TraceName{name, cmd.timeoutSuffix}, reply, cmd.replySize, cmd.asciiReply);
    }

    int Write(LinkIo& io, uint8_t, const WriteCommand& cmd, int, const WriteFrame& frame,
              const std::string& name, uint8_t* reply, int replySize) const override {
        return AsciiWriteTransaction(io, frame.ascii.c_str(), static_cast<int>(frame.ascii.size()),
                                     kWriteTimeout, TraceName{name}, reply, replySize,
                                     cmd.logRequest);
    }

    // Two decoded digits per byte after the leading 'R'.
    int Byte(const uint8_t* reply, int k) const override {
        return reply[1 + 2 * k] * 16 + reply[2 + 2 * k];
    }
    // A voltage word's count is its first three digits over 4.
    int VoltCount(const uint8_t* reply, int k) const override {
        const int d = 1 + 4 * (k / 2) + 2 * (k % 2);  // first digit of byte k
        return (reply[d] * 256 + reply[d + 1] * 16 + reply[d + 2]) / 4;
    }
    int LevelWithoutScale(const uint8_t* reply, int k) const override {
        const int d = 1 + 2 * k;
        if (reply[d] == 15 && reply[d + 1] == 15 && reply[d + 2] >= 12) {
            return 100;
        }
        if (reply[d] == 0 && reply[d + 1] == 0 && reply[d + 2] == 0) {
            return 0;
        }
        return -1;
    }

    std::vector<int> ProbeOrder(int) const override { return {0}; }

    bool Probe(LinkIo& io, int portNumber, int, int preferredId, int*,
               int* foundId) const override {
        uint8_t reply[kReplyBufferSize] = {};
        DrainInput(io, reply, kReplyBufferSize);
        io.port.Write(reinterpret_cast<const uint8_t*>(kDetectRequest), kDetectRequestLength);
        long elapsed = 0;
        if (!WaitForBytes(io, kDetectMinReply, kProbeTimeoutTicks, &elapsed)) {
            TraceF(io.trace, "Auto Detect COM%d Time Out=%d ticks!\n", portNumber,
                   static_cast<int>(elapsed));
            DrainInput(io, reply, kReplyBufferSize);
            return false;
        }
        io.port.Read(reply, kReplyBufferSize - 1);
        if (reply[0] != 'R') {
            TraceF(io.trace, "Auto Detect COM%d Fail, KVRN->PC:%s\n", portNumber,
                   reinterpret_cast<const char*>(reply));
            return false;
        }
        // The reply carries the controller's RS485 device ID as two hex digits. Deliberately,
        // a reply whose two characters are not both hex digits ("R0G", "R:1", a short "R\r")
        // still finds the controller but keeps the old ID: a guessed ID would later address
        // the wrong device.
        const int high = DetectDigit(reply[1]);
        const int low = DetectDigit(reply[2]);
        *foundId = high >= 0 && low >= 0 ? 16 * high + low : preferredId;
        return true;
    }

    // One probe per port: nothing comes after it on the same port.
    bool TakeLateReply(LinkIo&, int, int*, int*) const override { return false; }
};

const IFraming& Rs232Backend() {
    static const Rs232Framing backend;
    return backend;
}

}  // namespace zelt
