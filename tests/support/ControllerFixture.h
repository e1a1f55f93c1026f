#pragma once
// A controller object on the scripted fake line, with helpers that answer register reads and
// writes in whichever framing the object is using.

#include <deque>
#include <string>

#include "base/Trace.h"
#include "link/ControllerLink.h"
#include "support/FakeLink.h"

namespace zelt::testing {

// Runs a parameterised GoogleTest suite once per framing, the cases named RS232 and RS485.
#define ZELT_IN_BOTH_FRAMINGS(Suite)                                                \
    INSTANTIATE_TEST_SUITE_P(                                                       \
        Modes, Suite, ::testing::Values(Framing::Rs232Ascii, Framing::Rs485Binary), \
        [](const auto& info) { return info.param == Framing::Rs232Ascii ? "RS232" : "RS485"; })

struct ControllerFixture {
    explicit ControllerFixture(Framing framing = Framing::Rs232Ascii) {
        ctl.SetAddress(LinkAddress{framing, 250});
        link.port.onWrite = [this](FakePort& port, const Bytes& request) {
            requests.push_back(request);
            if (answers.empty()) {
                return;  // nothing answers
            }
            const Answer a = answers.front();
            answers.pop_front();
            if (!a.silent) {
                port.ReplyAfter(a.delay, a.reply(request));
            }
        };
        Teach(12);
    }

    // The link learns a controller of this system voltage and firmware major as its status
    // and version reads tell it; the exchange leaves no request or trace line behind.
    void Teach(int systemVoltage, int firmwareMajor = 3) {
        Teach(ctl, systemVoltage, firmwareMajor);
    }
    void Teach(CControllerLink& target, int systemVoltage, int firmwareMajor = 3) {
        AnswerRead({static_cast<uint8_t>(systemVoltage == 24 ? 0x40 : 0)});
        ControllerStatus status;
        target.GetStatus(&status);
        if (Rs232()) {
            AnswerText(StrF("R00%02d010512", firmwareMajor));
            FirmwareIdentity identity;
            target.GetVersion(&identity);
        }
        requests.clear();
        link.port.writes.clear();
        link.trace.lines.clear();
    }

    bool Rs232() const { return ctl.Address().framing == Framing::Rs232Ascii; }

    // A reply built from the request (RS485 frames echo the device ID and function).
    struct Answer {
        std::function<Bytes(const Bytes&)> reply;
        long delay = 2;
        bool silent = false;
    };

    // Answers the next request with register bytes, framed for the current mode.
    void AnswerRead(const Bytes& registers) {
        const bool rs232 = Rs232();
        answers.push_back({[registers, rs232](const Bytes& request) {
            if (rs232) {
                std::string text = "R";
                for (uint8_t b : registers) {
                    text += StrF("%02X", b);
                }
                return ToBytes(text);
            }
            Bytes reply{request[0], 4, static_cast<uint8_t>(registers.size())};
            reply.insert(reply.end(), registers.begin(), registers.end());
            reply.push_back(Rs485Checksum(reply.data(), static_cast<int>(reply.size())));
            return reply;
        }});
    }
    // Answers the next request with exactly this text (RS232 replies that are not plain hex).
    void AnswerText(const std::string& text) {
        answers.push_back({[text](const Bytes&) { return ToBytes(text); }});
    }
    // Accepts the next write.
    void AnswerWrite() {
        const bool rs232 = Rs232();
        answers.push_back({[rs232](const Bytes& request) {
            if (rs232) {
                return ToBytes("O");
            }
            Bytes reply{request[0], request[1], request[2], request[3], request[4]};
            reply.push_back(Rs485Checksum(reply.data(), 5));
            return reply;
        }});
    }
    void AnswerNothing() { answers.push_back({nullptr, 0, true}); }

    std::string LastText() const {
        return requests.empty() ? "" : std::string(requests.back().begin(), requests.back().end());
    }

    FakeLink link;
    FakeWallClock wall{link.clock};
    CControllerLink ctl{link.port, link.clock, link.trace, wall, LinkAddress{}};
    CCfgDocument record;  // what the record commands read into and write from
    std::deque<Answer> answers;
    std::vector<Bytes> requests;
};

// An RS485 request frame: ID, function, address, count or data, checksum.
inline Bytes Frame(uint8_t id, uint8_t function, int address, const Bytes& payload) {
    Bytes frame{id, function, static_cast<uint8_t>(address >> 8),
                static_cast<uint8_t>(address & 0xFF)};
    frame.insert(frame.end(), payload.begin(), payload.end());
    unsigned sum = 0;
    for (size_t i = 1; i < frame.size(); ++i) {
        sum += frame[i];
    }
    frame.push_back(static_cast<uint8_t>(sum & 0xFF));
    return frame;
}
inline Bytes ReadFrame(int address, uint8_t count) {
    return Frame(250, 4, address, {count});
}
inline Bytes WriteFrame16(int address, const Bytes& data) {
    Bytes payload{static_cast<uint8_t>(data.size())};
    payload.insert(payload.end(), data.begin(), data.end());
    return Frame(250, 16, address, payload);
}

}  // namespace zelt::testing
