#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "link/Transaction.h"
#include "support/FakeLink.h"

namespace zelt {
namespace {

using testing::Bytes;
using ::testing::ElementsAre;
using testing::FakeLink;

std::string Text(const uint8_t* buffer) {
    return reinterpret_cast<const char*>(buffer);
}

// ---------------------------------------------------------------------------------------
// RS485 frames

TEST(Rs485Transaction, ReadFrameAndReplyOfCountPlusThreeBytes) {
    FakeLink link;
    link.port.onWrite = [](testing::FakePort& port, const Bytes&) {
        port.ReplyAfter(4, Bytes{0xFA, 0x04, 0x03});  // arrives in two pieces
        port.ReplyAfter(9, Bytes{0x11, 0x22, 0x33});
    };
    uint8_t reply[kReplyBufferSize];
    const long start = link.clock.now;
    ASSERT_EQ(1, Rs485Transaction(link.io, 250, 4, 0x00, 0x78, 3, nullptr, reply, kReplyBufferSize,
                                  140, "Get Volt for Load"));
    ASSERT_EQ(1u, link.port.writes.size());
    EXPECT_THAT(link.port.writes[0], ElementsAre(0xFA, 0x04, 0x00, 0x78, 0x03, 0x7F));
    EXPECT_THAT(link.clock.sleeps, ElementsAre(25));
    // Accepted only once all six bytes were there.
    EXPECT_EQ(start + 25 + 9, link.clock.now);
    EXPECT_EQ(0x11, reply[3]);
    EXPECT_EQ(0x22, reply[4]);
    EXPECT_EQ(0x33, reply[5]);
    EXPECT_THAT(link.trace.lines,
                ElementsAre("Get Volt for Load OK, KVRN->PC:\xFA\x04\x03\x11\"3\n"));
}

TEST(Rs485Transaction, WriteFramesCarryChecksumWithoutTheId) {
    FakeLink link;
    link.port.onWrite = [](testing::FakePort& port, const Bytes& request) {
        port.ReplyAfter(3, Bytes{request[0], request[1], 0x00, 0x78, 0x03});
    };
    uint8_t reply[kReplyBufferSize];
    const uint8_t limits[] = {0x78, 0x50, 0x00};
    EXPECT_EQ(1, Rs485Transaction(link.io, 0x01, 16, 0x00, 0x78, 3, limits, reply, kReplyBufferSize,
                                  140, "Set Volt for Load"));
    EXPECT_EQ(1, Rs485Transaction(link.io, 0xC8, 16, 0x00, 0x78, 3, limits, reply, kReplyBufferSize,
                                  140, "Set Volt for Load"));
    const uint8_t id = 0x09;
    EXPECT_EQ(1, Rs485Transaction(link.io, 0x21, 6, 0x00, 0x77, 1, &id, reply, kReplyBufferSize,
                                  140, "Set RS485 ID"));
    ASSERT_EQ(3u, link.port.writes.size());
    EXPECT_THAT(link.port.writes[0],
                ElementsAre(0x01, 0x10, 0x00, 0x78, 0x03, 0x78, 0x50, 0x00, 0x53));
    EXPECT_THAT(link.port.writes[1],
                ElementsAre(0xC8, 0x10, 0x00, 0x78, 0x03, 0x78, 0x50, 0x00, 0x53));
    // 0x06 + 0x00 + 0x77 + 0x09 = 0x86
    EXPECT_THAT(link.port.writes[2], ElementsAre(0x21, 0x06, 0x00, 0x77, 0x09, 0x86));
    EXPECT_THAT(link.clock.sleeps, ElementsAre(25, 25, 25));
}

TEST(Rs485Transaction, ChecksumWrapsModulo256) {
    const uint8_t frame[] = {0xFF, 0xFF, 0xFF, 0x03, 0x00};
    EXPECT_EQ(0x01, Rs485Checksum(frame, 4));  // 0xFF + 0xFF + 0x03 = 0x201
}

TEST(Rs485Transaction, RefusedFramesSendNothing) {
    FakeLink link;
    uint8_t reply[kReplyBufferSize];
    reply[0] = 0x55;
    EXPECT_EQ(0, Rs485Transaction(link.io, 1, 3, 0x00, 0x78, 3, nullptr, reply, kReplyBufferSize,
                                  140, "Get Volt for Load"));
    // A write of more bytes than the 80-byte frame holds is refused, not overrun.
    const std::array<uint8_t, 75> data{};
    EXPECT_EQ(0, Rs485Transaction(link.io, 1, 16, 0x00, 0x00, 75, data.data(), reply,
                                  kReplyBufferSize, 140, "Set Too Much"));
    EXPECT_TRUE(link.port.writes.empty());
    EXPECT_TRUE(link.trace.lines.empty());
    EXPECT_EQ(0, reply[0]);  // the reply buffer is still cleared

    // The largest write that fits goes out whole.
    link.port.onWrite = [](testing::FakePort& port, const Bytes&) {
        port.ReplyAfter(1, Bytes{1, 16, 0, 0, 74});
    };
    EXPECT_EQ(1, Rs485Transaction(link.io, 1, 16, 0x00, 0x00, 74, data.data(), reply,
                                  kReplyBufferSize, 140, "Set Most"));
    ASSERT_EQ(1u, link.port.writes.size());
    EXPECT_EQ(80u, link.port.writes[0].size());
}

TEST(Rs485Transaction, WrongFunctionInReplyFails) {
    FakeLink link;
    link.port.onWrite = [](testing::FakePort& port, const Bytes&) {
        port.ReplyAfter(2, Bytes{0x01, 0x84, 0x41, 0x42});
    };
    uint8_t reply[kReplyBufferSize];
    EXPECT_EQ(0, Rs485Transaction(link.io, 0x01, 4, 0x01, 0x04, 1, nullptr, reply, kReplyBufferSize,
                                  30, "Get Status"));
    EXPECT_THAT(link.trace.lines, ElementsAre("Get Status Fail, KVRN->PC:\x01\x84"
                                              "AB\n"));
}

TEST(Rs485Transaction, TimeOutReportsElapsedTicksAndKeepsLateBytes) {
    FakeLink link;
    link.port.onWrite = [](testing::FakePort& port, const Bytes&) {
        port.ReplyAfter(5, Bytes{0x01, 0x04, 0x02, 0x12});  // count + 2 of count + 3
        port.ReplyAfter(31, Bytes{0x34});                   // one tick too late
    };
    uint8_t reply[kLiveReplyBufferSize];
    const long start = link.clock.now + 25;
    EXPECT_EQ(0, Rs485Transaction(link.io, 0x01, 4, 0x01, 0x05, 2, nullptr, reply,
                                  kLiveReplyBufferSize, 30, "Get Batt Volt"));
    EXPECT_EQ(start + 31, link.clock.now);
    EXPECT_THAT(link.trace.lines, ElementsAre("Get Batt Volt Time Out=31 ticks!\n"));
    // Whatever had arrived is read into the reply buffer on the way out.
    EXPECT_EQ(0x12, reply[3]);
    EXPECT_EQ(0x34, reply[4]);
    EXPECT_EQ(0u, link.port.Pending());
}

TEST(Rs485Transaction, ReplyAtExactlyTheTimeOutIsAccepted) {
    FakeLink link;
    link.port.onWrite = [](testing::FakePort& port, const Bytes&) {
        port.ReplyAfter(30, Bytes{0x01, 0x04, 0x01, 0x40});
    };
    uint8_t reply[kReplyBufferSize];
    EXPECT_EQ(1, Rs485Transaction(link.io, 0x01, 4, 0x01, 0x04, 1, nullptr, reply, kReplyBufferSize,
                                  30, "Get Status"));
    EXPECT_EQ(0x40, reply[3]);
}

TEST(Rs485Transaction, ClockSteppingBackwardsIsATimeOut) {
    FakeLink link;
    link.port.onWrite = [](testing::FakePort& port, const Bytes&) {
        port.ReplyAfter(1, Bytes{0x01, 0x04, 0x01, 0x40});
    };
    link.clock.now = 5000;
    link.clock.script = {4990};  // the first check already reads an earlier time
    uint8_t reply[kReplyBufferSize];
    EXPECT_EQ(0, Rs485Transaction(link.io, 0x01, 4, 0x01, 0x04, 1, nullptr, reply, kReplyBufferSize,
                                  30, "Get Status"));
    EXPECT_THAT(link.trace.lines, ElementsAre("Get Status Time Out=-35 ticks!\n"));
}

TEST(Rs485Transaction, OverlongDisplayNameIsReplaced) {
    FakeLink link;
    link.port.onWrite = [](testing::FakePort& port, const Bytes& request) {
        port.ReplyAfter(1, Bytes{request[0], request[1], 1, 7});
    };
    uint8_t reply[kReplyBufferSize];
    const std::string hundred(100, 'n');
    const std::string hundredOne(101, 'n');
    Rs485Transaction(link.io, 0x41, 4, 0, 0x77, 1, nullptr, reply, kReplyBufferSize, 30,
                     hundred.c_str());
    Rs485Transaction(link.io, 0x41, 4, 0, 0x77, 1, nullptr, reply, kReplyBufferSize, 30,
                     hundredOne.c_str());
    Rs485Transaction(link.io, 0x41, 4, 0, 0x77, 1, nullptr, reply, kReplyBufferSize, 0,
                     hundredOne.c_str());
    EXPECT_THAT(link.trace.lines, ElementsAre(hundred + " OK, KVRN->PC:A\x04\x01\x07\n",
                                              "Unknown parameter OK, KVRN->PC:A\x04\x01\x07\n",
                                              "Unknown parameter Time Out=1 ticks!\n"));
}

TEST(Rs485Transaction, LateReplyIsDrainedBeforeTheNextFrame) {
    FakeLink link;
    int requests = 0;
    link.port.onWrite = [&](testing::FakePort& port, const Bytes&) {
        ++requests;
        if (requests == 1) {
            port.ReplyAfter(60, Bytes{0x01, 0x04, 0x01, 0x11});  // after the time-out
        } else {
            port.ReplyAfter(3, Bytes{0x01, 0x04, 0x01, 0x22});
        }
    };
    uint8_t reply[kReplyBufferSize];
    EXPECT_EQ(0, Rs485Transaction(link.io, 1, 4, 0x01, 0x04, 1, nullptr, reply, kReplyBufferSize,
                                  30, "Get Status"));
    link.clock.now += 100;
    link.port.GetBytesWaiting();  // the late reply is now queued
    EXPECT_EQ(4, DrainInput(link.io, reply, kReplyBufferSize));
    EXPECT_EQ(1, Rs485Transaction(link.io, 1, 4, 0x01, 0x04, 1, nullptr, reply, kReplyBufferSize,
                                  30, "Get Status"));
    EXPECT_EQ(0x22, reply[3]);
}

// ---------------------------------------------------------------------------------------
// Waiting on the port

TEST(TransactionWait, SleepsOnThePortForNoLongerThanIsLeft) {
    FakeLink link;
    link.port.onWrite = [](testing::FakePort& port, const Bytes&) {
        port.ReplyAfter(40, "R");
        port.ReplyAfter(70, "12\r");
    };
    uint8_t reply[kReplyBufferSize];
    const long start = link.clock.now;
    EXPECT_EQ(1, AsciiReadTransaction(link.io, "Q3\r", 3, 3, 90, {"Get Q3 Status"}, reply,
                                      kReplyBufferSize));
    EXPECT_EQ(start + 70, link.clock.now);
    // One wait per arrival, each bounded by the ticks left before the check would fire.
    EXPECT_THAT(link.port.waitLimits, ElementsAre(91, 51));
}

TEST(TransactionWait, SilentLineTimesOutAfterOneWait) {
    FakeLink link;
    uint8_t reply[kReplyBufferSize];
    const long start = link.clock.now;
    EXPECT_EQ(0, AsciiReadTransaction(link.io, "Q4\r", 3, 5, 30, {"Get Batt Volt"}, reply,
                                      kReplyBufferSize));
    EXPECT_EQ(start + 31, link.clock.now);
    EXPECT_EQ(1, link.port.waits);
    EXPECT_THAT(link.trace.lines, ElementsAre("Get Batt Volt Time Out=31 ticks!\n"));
}

TEST(TransactionWait, ClosedPortEndsInTimeOut) {
    FakeLink link;
    link.port.open = false;
    link.port.onWrite = [](testing::FakePort& port, const Bytes&) { port.ReplyAfter(1, "O"); };
    uint8_t reply[kReplyBufferSize];
    EXPECT_EQ(0, AsciiWriteTransaction(link.io, "T101500\r", 8, 140, {"Set RTC"}, reply,
                                       kReplyBufferSize));
    EXPECT_EQ("Set RTC Time Out=141 ticks!\n", link.trace.lines.back());
}

// ---------------------------------------------------------------------------------------
// ASCII read

TEST(AsciiRead, DecodesHexDigitsOfTheReply) {
    FakeLink link;
    link.port.onWrite = [](testing::FakePort& port, const Bytes&) { port.ReplyAfter(8, "R0A\r"); };
    uint8_t reply[kReplyBufferSize];
    ASSERT_EQ(1, AsciiReadTransaction(link.io, "G6B01\r", 6, 3, 140, {"Get Temp Comp"}, reply,
                                      kReplyBufferSize));
    EXPECT_EQ(std::vector<std::string>{"G6B01\r"}, link.port.WrittenTexts());
    EXPECT_EQ(0x0A, AsciiReplyByte(reply, 0));
    EXPECT_EQ('\r', reply[3]);  // beyond the minimum length nothing is decoded
    EXPECT_THAT(link.trace.lines, ElementsAre("Get Temp Comp OK, KVRN->PC:R0A\r\n"));
}

TEST(AsciiRead, DecodesSeveralBytesAndLeavesTextWhenAsked) {
    FakeLink link;
    link.port.onWrite = [](testing::FakePort& port, const Bytes&) {
        port.ReplyAfter(8, "R7F09C3\r");
    };
    uint8_t reply[kReplyBufferSize];
    ASSERT_EQ(1, AsciiReadTransaction(link.io, "G7803\r", 6, 7, 140, {"Get Volt for Load"}, reply,
                                      kReplyBufferSize));
    EXPECT_EQ(0x7F, AsciiReplyByte(reply, 0));
    EXPECT_EQ(0x09, AsciiReplyByte(reply, 1));
    EXPECT_EQ(0xC3, AsciiReplyByte(reply, 2));

    link.port.onWrite = [](testing::FakePort& port, const Bytes&) {
        port.ReplyAfter(8, "R10:15\r");
    };
    ASSERT_EQ(1, AsciiReadTransaction(link.io, "G0203\r", 6, 7, 140, {"Get RTC"}, reply,
                                      kReplyBufferSize, false));
    EXPECT_EQ("R10:15\r", Text(reply));
}

TEST(AsciiRead, WaitsForTheMinimumLength) {
    FakeLink link;
    link.port.onWrite = [](testing::FakePort& port, const Bytes&) {
        port.ReplyAfter(5, "R12");  // two of the four digits
    };
    uint8_t reply[kReplyBufferSize];
    EXPECT_EQ(0, AsciiReadTransaction(link.io, "Q4\r", 3, 5, 30, {"Get Batt Volt"}, reply,
                                      kReplyBufferSize));
    EXPECT_THAT(link.trace.lines, ElementsAre("Get Batt Volt Time Out=31 ticks!\n"));
    EXPECT_EQ("R12", Text(reply));  // drained into the reply buffer on the way out
    EXPECT_EQ(0u, link.port.Pending());
}

TEST(AsciiRead, ReplyWithoutLeadingRFails) {
    FakeLink link;
    link.port.onWrite = [](testing::FakePort& port, const Bytes&) { port.ReplyAfter(5, "O12\r"); };
    uint8_t reply[kReplyBufferSize];
    EXPECT_EQ(0, AsciiReadTransaction(link.io, "Q3\r", 3, 3, 90, {"Get Q3 Status"}, reply,
                                      kReplyBufferSize));
    EXPECT_THAT(link.trace.lines, ElementsAre("Get Q3 Status Fail, KVRN->PC:O12\r\n"));
    EXPECT_EQ('1', reply[1]);  // a refused reply is not decoded
}

TEST(AsciiRead, OwnTimeOutSuffix) {
    FakeLink link;
    uint8_t reply[kReplyBufferSize];
    EXPECT_EQ(0, AsciiReadTransaction(link.io, "G8007\r", 6, 15, 90, {"Get SN", " Out=%d ticks!\n"},
                                      reply, kReplyBufferSize, false));
    EXPECT_THAT(link.trace.lines, ElementsAre("Get SN Out=91 ticks!\n"));
}

TEST(AsciiRead, BackwardClockPrintsNegativeElapsed) {
    FakeLink link;
    link.clock.now = 500;
    // start reads 500, the first check 520; the clock then steps back to 400 and the wait
    // on the port brings it to 471, still before the start.
    link.clock.script = {520, 400};
    link.port.onWrite = [](testing::FakePort& port, const Bytes&) {
        port.ReplyAfter(100, "R00\r");
    };
    uint8_t reply[kReplyBufferSize];
    EXPECT_EQ(0, AsciiReadTransaction(link.io, "Q3\r", 3, 3, 90, {"Get Q3 Status"}, reply,
                                      kReplyBufferSize));
    EXPECT_THAT(link.trace.lines, ElementsAre("Get Q3 Status Time Out=-29 ticks!\n"));
}

TEST(AsciiRead, DrainsStaleInputFirst) {
    FakeLink link;
    link.port.Queue("R99\r");  // a late reply of an earlier command
    link.port.onWrite = [](testing::FakePort& port, const Bytes&) { port.ReplyAfter(6, "R0A\r"); };
    uint8_t reply[kReplyBufferSize];
    ASSERT_EQ(1, AsciiReadTransaction(link.io, "Q3\r", 3, 3, 90, {"Get Q3 Status"}, reply,
                                      kReplyBufferSize));
    EXPECT_EQ(0x0A, AsciiReplyByte(reply, 0));
}

TEST(AsciiRead, LateReplyOfATimedOutReadIsDroppedByTheNext) {
    FakeLink link;
    int requests = 0;
    link.port.onWrite = [&](testing::FakePort& port, const Bytes&) {
        ++requests;
        if (requests == 1) {
            port.ReplyAfter(50, "R11\r");  // after the time-out
        } else {
            port.ReplyAfter(4, "R22\r");
        }
    };
    uint8_t reply[kReplyBufferSize];
    EXPECT_EQ(0, AsciiReadTransaction(link.io, "Q3\r", 3, 3, 30, {"Get Q3 Status"}, reply,
                                      kReplyBufferSize));
    link.clock.now += 100;
    EXPECT_EQ(1, AsciiReadTransaction(link.io, "Q3\r", 3, 3, 30, {"Get Q3 Status"}, reply,
                                      kReplyBufferSize));
    EXPECT_EQ(0x22, AsciiReplyByte(reply, 0));
}

TEST(AsciiRead, ReadsAtMostSizeMinusOneSoTheReplyStaysTerminated) {
    FakeLink link;
    link.port.onWrite = [](testing::FakePort& port, const Bytes&) {
        port.ReplyAfter(3, "R" + std::string(99, 'F'));
    };
    std::array<uint8_t, kReplyBufferSize + 1> buffer;
    buffer.fill(0xEE);
    ASSERT_EQ(1, AsciiReadTransaction(link.io, "Q8\r", 3, 5, 30, {"Get Charge Count"},
                                      buffer.data(), kReplyBufferSize));
    EXPECT_EQ(0, buffer[kReplyBufferSize - 1]);
    EXPECT_EQ(0xEE, buffer[kReplyBufferSize]);  // nothing written past the buffer
    EXPECT_EQ(21u, link.port.Pending());
    EXPECT_EQ("Get Charge Count OK, KVRN->PC:R" + std::string(78, 'F') + "\n",
              link.trace.lines.back());
}

// ---------------------------------------------------------------------------------------
// ASCII write

TEST(AsciiWrite, AcceptsAnyReplyBeginningWithO) {
    FakeLink link;
    link.port.onWrite = [](testing::FakePort& port, const Bytes&) { port.ReplyAfter(7, "Ofoo\r"); };
    uint8_t reply[kReplyBufferSize];
    EXPECT_EQ(1, AsciiWriteTransaction(link.io, "S785000\r", 8, 140, {"Set Volt for Load"}, reply,
                                       kReplyBufferSize));
    EXPECT_EQ(std::vector<std::string>{"S785000\r"}, link.port.WrittenTexts());
    EXPECT_THAT(link.trace.lines, ElementsAre("Set Volt for Load, PC->KVRN:S785000\r\n",
                                              "Set Volt for Load OK, KVRN->PC:Ofoo\r\n"));
}

TEST(AsciiWrite, RefusesAnyOtherFirstCharacter) {
    FakeLink link;
    link.port.onWrite = [](testing::FakePort& port, const Bytes&) { port.ReplyAfter(7, "RO\r"); };
    uint8_t reply[kReplyBufferSize];
    EXPECT_EQ(0, AsciiWriteTransaction(link.io, "S6B05\r", 6, 140, {"Set Temp Comp"}, reply,
                                       kReplyBufferSize, false));
    EXPECT_THAT(link.trace.lines, ElementsAre("Set Temp Comp Fail, KVRN->PC:RO\r\n"));
}

TEST(AsciiWrite, FirstByteDecidesWithoutWaitingForMore) {
    FakeLink link;
    link.port.onWrite = [](testing::FakePort& port, const Bytes&) {
        port.ReplyAfter(2, "O");
        port.ReplyAfter(50, "K\r");
    };
    uint8_t reply[kReplyBufferSize];
    const long start = link.clock.now;
    EXPECT_EQ(1, AsciiWriteTransaction(link.io, "S6B05\r", 6, 140, {"Set Temp Comp"}, reply,
                                       kReplyBufferSize));
    EXPECT_EQ(start + 2, link.clock.now);
}

TEST(AsciiWrite, TimeOutDrainsAndFails) {
    FakeLink link;
    link.port.Queue("Ostale\r");
    uint8_t reply[kReplyBufferSize];
    EXPECT_EQ(0, AsciiWriteTransaction(link.io, "S6B05\r", 6, 140, {"Set Temp Comp"}, reply,
                                       kReplyBufferSize));
    EXPECT_THAT(link.trace.lines, ElementsAre("Set Temp Comp, PC->KVRN:S6B05\r\n",
                                              "Set Temp Comp Time Out=141 ticks!\n"));
}

TEST(AsciiWrite, WritesExactlyTheGivenLength) {
    FakeLink link;
    link.port.onWrite = [](testing::FakePort& port, const Bytes&) { port.ReplyAfter(1, "O"); };
    uint8_t reply[kReplyBufferSize];
    // The zeroed request buffer pads a length beyond the text with zero bytes.
    EXPECT_EQ(
        1, AsciiWriteTransaction(link.io, "T1015", 7, 140, {"Set RTC"}, reply, kReplyBufferSize));
    ASSERT_EQ(1u, link.port.writes.size());
    EXPECT_THAT(link.port.writes[0], ElementsAre('T', '1', '0', '1', '5', 0, 0));
}

}  // namespace
}  // namespace zelt
