#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <utility>

#include "link/Transaction.h"
#include "support/FakeLink.h"

namespace zelt {
namespace {

using testing::Bytes;
using ::testing::ElementsAre;
using testing::ToBytes;

// A fake line whose every request is answered by the same pieces, each after its delay.
struct Line : testing::FakeLink {
    void Answer(std::vector<std::pair<long, Bytes>> pieces) {
        port.onWrite = [pieces](testing::FakePort& p, const Bytes&) {
            for (const auto& [delay, bytes] : pieces) {
                p.ReplyAfter(delay, bytes);
            }
        };
    }
    int Rs485(uint8_t id, uint8_t function, uint8_t address, uint8_t count, const uint8_t* data,
              int timeout, const char* name) {
        return Rs485Transaction(io, id, function, 0, address, count, data, reply, kReplyBufferSize,
                                timeout, name);
    }
    int Read(const char* command, int minLength, int timeout, const TraceName& name,
             AsciiReply form = AsciiReply::Digits) {
        return AsciiReadTransaction(io, command, static_cast<int>(std::strlen(command)), minLength,
                                    timeout, name, reply, kReplyBufferSize, form);
    }
    int Write(const char* command, int timeout, const TraceName& name) {
        return AsciiWriteTransaction(io, command, static_cast<int>(std::strlen(command)), timeout,
                                     name, reply, kReplyBufferSize);
    }
    std::string ReplyText() const { return reinterpret_cast<const char*>(reply); }
    uint8_t reply[kReplyBufferSize] = {};
};

TEST(Rs485Transaction, ReadFrameWaitsForTheWholeFrame) {
    Line line;
    line.Answer({{4, {0xFA, 0x04, 0x03}}, {9, {0x11, 0x22, 0x33, 0x6D}}});  // in two pieces
    const long start = line.clock.now;
    ASSERT_EQ(1, line.Rs485(250, 4, 0x78, 3, nullptr, 140, "Get Volt for Load"));
    EXPECT_THAT(line.port.writes, ElementsAre(Bytes{0xFA, 0x04, 0x00, 0x78, 0x03, 0x7F}));
    EXPECT_THAT(line.clock.sleeps, ElementsAre(25));
    EXPECT_EQ(start + 25 + 9, line.clock.now);  // accepted only once all seven were there
    EXPECT_THAT(Bytes(line.reply + 3, line.reply + 6), ElementsAre(0x11, 0x22, 0x33));
    EXPECT_THAT(line.trace.lines,
                ElementsAre("Get Volt for Load OK, KVRN->PC:\xFA\x04\x03\x11\"3m\n"));
}

TEST(Rs485Transaction, WriteFramesCarryAChecksumWithoutTheId) {
    Line line;
    line.port.onWrite = [](testing::FakePort& port, const Bytes& request) {
        Bytes echo(request.begin(), request.begin() + 5);
        echo.push_back(Rs485Checksum(echo.data(), 5));
        port.ReplyAfter(3, echo);
    };
    const uint8_t limits[] = {0x78, 0x50, 0x00};
    const uint8_t id = 0x09;
    EXPECT_EQ(1, line.Rs485(0x01, 16, 0x78, 3, limits, 140, "Set Volt for Load"));
    EXPECT_EQ(1, line.Rs485(0xC8, 16, 0x78, 3, limits, 140, "Set Volt for Load"));
    EXPECT_EQ(1, line.Rs485(0x21, 6, 0x77, 1, &id, 140, "Set RS485 ID"));
    EXPECT_THAT(line.port.writes,
                ElementsAre(Bytes{0x01, 0x10, 0x00, 0x78, 0x03, 0x78, 0x50, 0x00, 0x53},
                            Bytes{0xC8, 0x10, 0x00, 0x78, 0x03, 0x78, 0x50, 0x00, 0x53},
                            Bytes{0x21, 0x06, 0x00, 0x77, 0x09, 0x86}));
}

TEST(Rs485Transaction, FramesThatDoNotFitOrUnknownFunctionsSendNothing) {
    Line line;
    line.Answer({{1, {1, 16, 0, 0, 74, 90}}});
    const std::array<uint8_t, 75> data{};
    EXPECT_EQ(0, line.Rs485(1, 3, 0x78, 3, nullptr, 140, "Get Volt for Load"));
    EXPECT_EQ(0, line.Rs485(1, 16, 0, 75, data.data(), 140, "Set Too Much"));  // 81 bytes
    EXPECT_TRUE(line.port.writes.empty());
    EXPECT_EQ(1, line.Rs485(1, 16, 0, 74, data.data(), 140, "Set Most"));
    ASSERT_EQ(1u, line.port.writes.size());
    EXPECT_EQ(80u, line.port.writes[0].size());
}

TEST(Rs485Transaction, WrongFunctionShortReplyBackwardClockAndLongNameInTheTrace) {
    Line line;
    line.Answer({{2, {0x01, 0x84, 0x41, 0x42, 0x43}}});
    EXPECT_EQ(0, line.Rs485(0x01, 4, 0x04, 1, nullptr, 30, "Get Status"));
    // count + 3 of count + 4 bytes, the last one after the wake-up that ends the wait.
    line.Answer({{5, {0x01, 0x04, 0x02, 0x12}}, {32, {0x34}}});
    const long start = line.clock.now + 25;
    EXPECT_EQ(0, line.Rs485(0x01, 4, 0x05, 2, nullptr, 30, "Get Batt Volt"));
    EXPECT_EQ(start + 31, line.clock.now);
    EXPECT_EQ(0x12, line.reply[3]);  // what had come is read out on the way
    EXPECT_EQ(0u, line.port.Pending());
    // A reply complete at the wake-up that finds the time-out passed still counts, as does
    // one at exactly the time-out.
    line.Answer({{5, {0x01, 0x04, 0x01, 0x40}}, {31, {0x45}}});
    EXPECT_EQ(1, line.Rs485(0x01, 4, 0x04, 1, nullptr, 30, "Get Status"));
    line.Answer({{30, {0x01, 0x04, 0x01, 0x40, 0x45}}});
    EXPECT_EQ(1, line.Rs485(0x01, 4, 0x04, 1, nullptr, 30, "Get Status"));
    // A display name over 100 characters is replaced.
    line.Answer({{1, {0x41, 4, 1, 7, 12}}});
    const std::string hundred(100, 'n'), hundredOne(101, 'n');
    line.Rs485(0x41, 4, 0x77, 1, nullptr, 30, hundred.c_str());
    line.Rs485(0x41, 4, 0x77, 1, nullptr, 30, hundredOne.c_str());
    line.Answer({});
    line.Rs485(0x41, 4, 0x77, 1, nullptr, 0, hundredOne.c_str());
    // A clock that steps backwards is a time-out.
    line.clock.script = {line.clock.now - 10};  // the first check already reads an earlier time
    EXPECT_EQ(0, line.Rs485(0x01, 4, 0x04, 1, nullptr, 30, "Get Status"));
    EXPECT_THAT(line.trace.lines, ElementsAre("Get Status Fail, KVRN->PC:\x01\x84"
                                              "ABC\n",
                                              "Get Status reply refused: wrong function\n",
                                              "Get Batt Volt Time Out=31 ticks!\n",
                                              "Get Status OK, KVRN->PC:\x01\x04\x01@E\n",
                                              "Get Status OK, KVRN->PC:\x01\x04\x01@E\n",
                                              hundred + " OK, KVRN->PC:A\x04\x01\x07\x0C\n",
                                              "Unknown parameter OK, KVRN->PC:A\x04\x01\x07\x0C\n",
                                              "Unknown parameter Time Out=1 ticks!\n",
                                              "Get Status Time Out=-35 ticks!\n"));
}

TEST(AsciiRead, DecodesTheHexDigitsOfTheReply) {
    Line line;
    line.Answer({{8, ToBytes("R0A\r")}});
    ASSERT_EQ(1, line.Read("G6B01\r", 3, 140, {"Get Temp Comp"}));
    EXPECT_EQ(std::vector<std::string>{"G6B01\r"}, line.port.WrittenTexts());
    EXPECT_EQ(0x0A, AsciiReplyByte(line.reply, 0));
    EXPECT_EQ('\r', line.reply[3]);  // beyond the minimum length nothing is decoded
    EXPECT_THAT(line.trace.lines, ElementsAre("Get Temp Comp OK, KVRN->PC:R0A\r\n"));

    line.Answer({{8, ToBytes("R7F09C3\r")}});
    ASSERT_EQ(1, line.Read("G7803\r", 7, 140, {"Get Volt for Load"}));
    EXPECT_EQ(0xC3, AsciiReplyByte(line.reply, 2));
    line.Answer({{8, ToBytes("R10:15:54\r\n")}});
    ASSERT_EQ(1, line.Read("Q2\r", 9, 140, {"Get RTC"}, AsciiReply::Clock));
    EXPECT_EQ("R10:15:54\r\n", line.ReplyText());
}

TEST(AsciiRead, ShortSilentOrRefusedRepliesFail) {
    Line line;
    line.Answer({{5, ToBytes("R12")}});  // two of the four digits
    EXPECT_EQ(0, line.Read("Q4\r", 5, 30, {"Get Batt Volt"}));
    EXPECT_EQ("R12", line.ReplyText());  // drained into the reply buffer on the way out
    line.Answer({{5, ToBytes("O12\r")}});
    EXPECT_EQ(0, line.Read("Q3\r", 3, 90, {"Get Q3 Status"}));
    EXPECT_EQ('1', line.reply[1]);  // a refused reply is not decoded
    line.Answer({});
    const long start = line.clock.now;
    const int waits = line.port.waits;
    EXPECT_EQ(
        0, line.Read("G8007\r", 15, 90, {"Get SN", " Out=%d ticks!\n"}, AsciiReply::SerialNumber));
    EXPECT_EQ(start + 91, line.clock.now);
    EXPECT_EQ(waits + 1, line.port.waits);  // a silent line costs one wait, no busy loop
    EXPECT_THAT(line.trace.lines, ElementsAre("Get Batt Volt Time Out=31 ticks!\n",
                                              "Get Q3 Status Fail, KVRN->PC:O12\r\n",
                                              "Get Q3 Status reply refused: wrong leading letter\n",
                                              "Get SN Out=91 ticks!\n"));
}

// Replies carry no request address: only a reply of exactly the expected form is taken.
TEST(AsciiRead, RefusesEveryReplyNotOfTheExpectedForm) {
    const struct {
        const char* reply;
        int minLength;
        AsciiReply form;
        const char* why;
    } rows[] = {
        {"R0A0B", 3, AsciiReply::Digits, "wrong length"},  // another request's, or two replies
        {"R0a", 3, AsciiReply::Digits, "not hex digits"},
        {"R0003A10012", 11, AsciiReply::Version, "not decimal digits"},
        {"R0003000100120000", 11, AsciiReply::Version, "wrong length"},
        {"R122403150007421", 15, AsciiReply::SerialNumber, "wrong length"},
        {"R1q:15:54", 9, AsciiReply::Clock, "not decimal digits"},
    };
    for (const auto& row : rows) {
        Line line;
        line.Answer({{3, ToBytes(row.reply)}});
        EXPECT_EQ(0, line.Read("G7701\r", row.minLength, 140, {"Get"}, row.form)) << row.reply;
        EXPECT_THAT(line.trace.lines.back(), ::testing::HasSubstr(row.why)) << row.reply;
    }
}

// The same for RS485: a read of one byte at 0x0104 from ID 1.
TEST(Rs485Transaction, RefusesAnotherDevicesDamagedOrMisshapenReplies) {
    const struct {
        Bytes reply;
        const char* why;
    } rows[] = {
        {{0x02, 0x04, 0x01, 0x40, 0x45}, "another device ID"},
        {{0x01, 0x04, 0x01, 0x50, 0x45}, "checksum does not hold"},
        {{0x01, 0x04, 0x02, 0x40, 0x46}, "wrong byte count"},
        {{0x01, 0x04, 0x01, 0x40, 0x45, 0x00}, "wrong length"},
    };
    for (const auto& row : rows) {
        Line line;
        line.Answer({{3, row.reply}});
        EXPECT_EQ(0, line.Rs485(0x01, 4, 0x04, 1, nullptr, 30, "Get Status"));
        EXPECT_THAT(line.trace.lines.back(), ::testing::HasSubstr(row.why));
    }
}

TEST(AsciiRead, ReadsAtMostSizeMinusOneSoTheReplyStaysTerminated) {
    testing::FakeLink link;
    link.port.onWrite = [](testing::FakePort& port, const Bytes&) {
        port.ReplyAfter(3, "R" + std::string(99, 'F'));
    };
    std::array<uint8_t, kReplyBufferSize + 1> buffer;
    buffer.fill(0xEE);
    ASSERT_EQ(0, AsciiReadTransaction(link.io, "Q8\r", 3, 5, 30, {"Get Charge Count"},
                                      buffer.data(), kReplyBufferSize));
    EXPECT_EQ(0, buffer[kReplyBufferSize - 1]);
    EXPECT_EQ(0xEE, buffer[kReplyBufferSize]);  // nothing written past the buffer
    EXPECT_EQ(21u, link.port.Pending());
}

TEST(AsciiWrite, AcceptsAnOAloneAndRefusesAnyOther) {
    Line line;
    line.Answer({{7, ToBytes("O")}, {50, ToBytes("K\r")}});
    const long start = line.clock.now;
    EXPECT_EQ(1, line.Write("S785000\r", 140, {"Set Volt for Load"}));
    EXPECT_EQ(start + 7, line.clock.now);  // the first byte decides
    line.clock.now += 100;                 // the rest is drained by the next write
    line.Answer({{7, ToBytes("RO\r")}});
    EXPECT_EQ(0, line.Write("S6B05\r", 140, {"Set Temp Comp"}));
    line.Answer({{7, ToBytes("OO")}});  // an earlier write's late "O" and this one's
    EXPECT_EQ(0, line.Write("S6B05\r", 140, {"Set Temp Comp"}));
    line.Answer({});
    EXPECT_EQ(0, line.Write("S6B05\r", 140, {"Set Temp Comp"}));
    EXPECT_THAT(
        line.trace.lines,
        ElementsAre("Set Volt for Load, PC->KVRN:S785000\r\n", "Set Volt for Load OK, KVRN->PC:O\n",
                    "Set Temp Comp, PC->KVRN:S6B05\r\n", "Set Temp Comp Fail, KVRN->PC:RO\r\n",
                    "Set Temp Comp reply refused: wrong leading letter\n",
                    "Set Temp Comp, PC->KVRN:S6B05\r\n", "Set Temp Comp Fail, KVRN->PC:OO\n",
                    "Set Temp Comp reply refused: characters after O\n",
                    "Set Temp Comp, PC->KVRN:S6B05\r\n", "Set Temp Comp Time Out=141 ticks!\n"));
}

}  // namespace
}  // namespace zelt
