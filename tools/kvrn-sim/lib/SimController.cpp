#include "kvrn/SimController.h"

#include <algorithm>

#include "base/Trace.h"
#include "link/Transaction.h"

namespace kvrn {

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Two hex digits at text[at]; -1 when they are not.
int HexByte(const std::string& text, size_t at) {
    if (at + 1 >= text.size())
        return -1;
    const int high = HexValue(text[at]);
    const int low = HexValue(text[at + 1]);
    return (high < 0 || low < 0) ? -1 : high * 16 + low;
}

int DecimalPair(const std::string& text, size_t at) {
    const char a = text[at];
    const char b = text[at + 1];
    if (a < '0' || a > '9' || b < '0' || b > '9')
        return -1;
    return (a - '0') * 10 + (b - '0');
}

uint8_t ToBcd(int value) {
    return static_cast<uint8_t>((value / 10) << 4 | (value % 10));
}

int FromBcd(uint8_t value) {
    if ((value >> 4) > 9 || (value & 0xF) > 9)
        return -1;
    return (value >> 4) * 10 + (value & 0xF);
}

std::vector<uint8_t> Text(const std::string& text) {
    return std::vector<uint8_t>(text.begin(), text.end());
}

// Re-expresses a voltage word on another scale; full scale and zero mean the same on any.
uint16_t Rescale(uint16_t word, double fromScale, double toScale) {
    if (word >= 0xFFC0 || CountFromWord(word) == 0)
        return word;
    return WordFromCount(CountFromVolts(CountFromWord(word) * fromScale, toScale));
}

constexpr int kMsPerHour = 3600 * 1000;

// The voltage words of a block, by where it starts. The switch block from 0x72 overlaps the
// low-battery block: read or written from 0x72 on, 0x73 and 0x74 are the lighting time and
// the remote flag, and only 0x75 (the remote level) is a voltage word.
std::vector<int> VoltageWordsIn(int address, int count) {
    std::vector<int> words;
    for (int at : VoltageWordAddresses()) {
        const bool switchBytes = address >= reg::kOperatingMode && at == reg::kLow2Voltage;
        if (at >= address && at + 2 <= address + count && !switchBytes)
            words.push_back(at);
    }
    return words;
}

}  // namespace

std::string PrintableBytes(const std::vector<uint8_t>& bytes) {
    std::string text;
    for (uint8_t byte : bytes) {
        if (byte >= 0x20 && byte < 0x7F)
            text += static_cast<char>(byte);
        else
            text += zelt::StrF("<%02X>", byte);
    }
    return text;
}

SimController::SimController(const SimOptions& options, int64_t nowMs, int64_t msOfDay)
    : options_(options),
      clock_(nowMs, msOfDay < 0 ? HostMsOfDay() + options.clockOffsetS * 1000LL : msOfDay),
      plant_(options.system24V, options.overVoltage) {
    ParseFirmware(options.firmware, &firmware_);
    scales_ = ScalesFor(options.system24V, firmware_);
    LoadFactoryImage(map_, options_, firmware_);
    Refresh(nowMs);
}

void SimController::Refresh(int64_t nowMs) {
    last_ = plant_.At(clock_.SecondOfDay(nowMs), map_, scales_.rs485, operatingMode_ == 1);
    // The charge counter counts the mornings on which charging began.
    if (chargeStateKnown_ && last_.charging && !wasCharging_)
        map_.SetWord(reg::kChargeCount, static_cast<uint16_t>(map_.Word(reg::kChargeCount) + 1));
    wasCharging_ = last_.charging;
    chargeStateKnown_ = true;

    map_.Set(reg::kStatus, StatusByteOf(last_));
    map_.SetWord(reg::kBatteryVolt,
                 WordFromCount(CountFromVolts(last_.batteryVolts, scales_.rs485)));
    map_.SetWord(reg::kChargeVolt, WordFromCount(CountFromVolts(last_.panelVolts, scales_.rs485)));
    map_.SetWord(reg::kLoadVolt, WordFromCount(CountFromVolts(last_.loadVolts, scales_.rs485)));
    map_.SetWord(reg::kChargeCurrent, WordFromCount(last_.chargeSenseCount));
    map_.SetWord(reg::kLoadCurrent, WordFromCount(last_.loadSenseCount));
    const int second = clock_.SecondOfDay(nowMs);
    map_.Set(reg::kClock, ToBcd(second / 3600));
    map_.Set(reg::kClock + 1, ToBcd(second / 60 % 60));
    map_.Set(reg::kClock + 2, ToBcd(second % 60));
}

uint8_t SimController::StatusByteOf(const PlantReading& reading) const {
    uint8_t status = operatingMode_ & 3;
    if (reading.loadOn)
        status |= 1 << 2;
    if (options_.batteryFail)
        status |= 1 << 3;
    status |= (lightingTime_ & 3) << 4;
    if (options_.system24V)
        status |= 1 << 6;
    return status;
}

uint8_t SimController::StatusByte(int64_t nowMs) {
    Refresh(nowMs);
    return map_.Get(reg::kStatus);
}

uint8_t SimController::Register(int address, int64_t nowMs) {
    return ReadView(Wire::Rs485, address, 1, nowMs)[0];
}

std::vector<uint8_t> SimController::Registers(int address, int count, int64_t nowMs) {
    return ReadView(Wire::Rs485, address, count, nowMs);
}

void SimController::SetRegister(int address, uint8_t value) {
    map_.Set(address, value);
}

std::vector<Exchange> SimController::Feed(const uint8_t* data, size_t size, int64_t nowMs) {
    std::vector<Exchange> exchanges;
    for (Request& request : parser_.Feed(data, size, nowMs))
        exchanges.push_back(Handle(request, nowMs));
    return exchanges;
}

Exchange SimController::Handle(const Request& request, int64_t nowMs) {
    Exchange exchange;
    exchange.request = request;
    if (request.wire == Wire::Rs232) {
        exchange.reply =
            HandleAscii(std::string(request.bytes.begin(), request.bytes.end()), nowMs);
        exchange.forUs = !exchange.reply.empty();
    } else {
        exchange.reply = HandleBinary(request.bytes, nowMs, &exchange.forUs);
    }
    return exchange;
}

std::vector<uint8_t> SimController::HandleAscii(const std::string& text, int64_t nowMs) {
    if (text.empty())
        return {};
    switch (text[0]) {
        case 'G': {
            const int address = HexByte(text, 1);
            const int count = HexByte(text, 3);
            if (text.size() != 5 || address < 0 || count <= 0)
                return {};
            std::string reply = "R";
            for (uint8_t byte : ReadView(Wire::Rs232, address, count, nowMs))
                reply += zelt::StrF("%02X", byte);
            return Text(reply);
        }
        case 'S': {
            const int address = HexByte(text, 1);
            if (address < 0 || text.size() < 5 || text.size() % 2 == 0)
                return {};
            std::vector<uint8_t> data;
            for (size_t at = 3; at < text.size(); at += 2) {
                const int byte = HexByte(text, at);
                if (byte < 0)
                    return {};
                data.push_back(static_cast<uint8_t>(byte));
            }
            WriteView(Wire::Rs232, address, data, nowMs);
            return Text("O");
        }
        case 'Q':
            if (text.size() != 2)
                return {};
            return HandleQuery(text[1], nowMs);
        case 'T': {
            if (text.size() != 7)
                return {};
            const int hour = DecimalPair(text, 1);
            const int minute = DecimalPair(text, 3);
            const int second = DecimalPair(text, 5);
            if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
                return {};
            clock_.Set(nowMs, (hour * 3600LL + minute * 60 + second) * 1000);
            return Text("O");
        }
        default:
            return {};
    }
}

std::vector<uint8_t> SimController::HandleQuery(char which, int64_t nowMs) {
    Refresh(nowMs);
    const auto word = [](uint16_t value) { return Text(zelt::StrF("R%04X", value)); };
    const auto volts = [&](double value) {
        return word(WordFromCount(CountFromVolts(value, scales_.rs232)));
    };
    switch (which) {
        case '2': {
            const int second = clock_.SecondOfDay(nowMs);
            return Text(
                zelt::StrF("R%02d:%02d:%02d", second / 3600, second / 60 % 60, second % 60));
        }
        case '3':
            return Text(zelt::StrF("R%02X", map_.Get(reg::kStatus)));
        case '4':
            return volts(last_.batteryVolts);
        case '5':
            return word(WordFromCount(last_.loadSenseCount));
        case '6':
            return volts(last_.panelVolts);
        case '7':
            return volts(last_.loadVolts);
        case '8':
            return word(map_.Word(reg::kChargeCount));
        case '9':
            return word(WordFromCount(last_.chargeSenseCount));
        default:
            return {};
    }
}

std::vector<uint8_t> SimController::HandleBinary(const std::vector<uint8_t>& frame, int64_t nowMs,
                                                 bool* forUs) {
    *forUs = false;
    if (frame[0] != DeviceId())
        return {};
    *forUs = true;
    const uint8_t function = frame[1];
    const int address = frame[2] << 8 | frame[3];
    std::vector<uint8_t> reply = {frame[0], function};
    if (function == 4) {
        const int count = frame[4];
        reply.push_back(static_cast<uint8_t>(count));
        for (uint8_t byte : ReadView(Wire::Rs485, address, count, nowMs))
            reply.push_back(byte);
    } else {
        const std::vector<uint8_t> data =
            function == 6 ? std::vector<uint8_t>{frame[4]}
                          : std::vector<uint8_t>(frame.begin() + 5, frame.end() - 1);
        WriteView(Wire::Rs485, address, data, nowMs);
        reply.insert(reply.end(), {frame[2], frame[3], frame[4]});
    }
    reply.push_back(zelt::Rs485Checksum(reply.data(), static_cast<int>(reply.size())));
    return reply;
}

std::vector<uint8_t> SimController::ReadView(Wire wire, int address, int count, int64_t nowMs) {
    Refresh(nowMs);
    std::vector<uint8_t> block = map_.Block(address, count);
    const auto inside = [&](int at, int width) {
        return at >= address && at + width <= address + count;
    };
    if (wire == Wire::Rs485) {
        // The temperature byte is kept in RS232 units; RS485 counts twice as coarse.
        if (inside(reg::kTempCompensation, 1))
            block[reg::kTempCompensation - address] /= 2;
    } else if (scales_.rs232 != scales_.rs485) {
        for (int at : VoltageWordsIn(address, count)) {
            const uint16_t word = Rescale(map_.Word(at), scales_.rs485, scales_.rs232);
            block[at - address] = static_cast<uint8_t>(word >> 8);
            block[at - address + 1] = static_cast<uint8_t>(word & 0xFF);
        }
    }
    return block;
}

bool SimController::IsWritable(int address) const {
    if (address >= reg::kVersion && address < reg::kSerial + reg::kSerialSize)
        return false;                            // factory data
    return address < 0x100 || address >= 0x200;  // 0x100..0x1FF: status and live readings
}

void SimController::WriteView(Wire wire, int address, const std::vector<uint8_t>& written,
                              int64_t nowMs) {
    std::vector<uint8_t> data = written;
    const int count = static_cast<int>(data.size());
    const auto inside = [&](int at, int width) {
        return at >= address && at + width <= address + count;
    };
    if (options_.dropWrite >= 0 && inside(options_.dropWrite, 1))
        return;  // acknowledged by the caller, kept nowhere
    if (wire == Wire::Rs485) {
        if (inside(reg::kTempCompensation, 1)) {
            const int value = data[reg::kTempCompensation - address] * 2;
            data[reg::kTempCompensation - address] = static_cast<uint8_t>(std::min(value, 255));
        }
    } else if (scales_.rs232 != scales_.rs485) {
        for (int at : VoltageWordsIn(address, count)) {
            const int i = at - address;
            const uint16_t word = Rescale(static_cast<uint16_t>(data[i] << 8 | data[i + 1]),
                                          scales_.rs232, scales_.rs485);
            data[i] = static_cast<uint8_t>(word >> 8);
            data[i + 1] = static_cast<uint8_t>(word & 0xFF);
        }
    }
    for (int i = 0; i < count; ++i) {
        const int at = address + i;
        if (at >= reg::kClock && at < reg::kClock + 3)
            WriteClockByte(at, data[i], nowMs);
        else if (at == reg::kRs485Id && data[i] == 0)
            continue;  // ID 0 would leave the controller unreachable
        else if (IsWritable(at))
            map_.Set(at, data[i]);
    }
    // "Set Sw/Jp mode" writes its block from 0x72; the low-battery block only passes through.
    if (address == reg::kOperatingMode) {
        operatingMode_ = data[0] & 3;
        if (count > 1)
            lightingTime_ = data[1] & 3;
    }
    Refresh(nowMs);
}

void SimController::WriteClockByte(int address, uint8_t value, int64_t nowMs) {
    const int value10 = FromBcd(value);
    const int field = address - reg::kClock;
    const int limit = field == 0 ? 23 : 59;
    if (value10 < 0 || value10 > limit)
        return;
    const int second = clock_.SecondOfDay(nowMs);
    int parts[3] = {second / 3600, second / 60 % 60, second % 60};
    parts[field] = value10;
    clock_.Set(nowMs, static_cast<int64_t>(parts[0]) * kMsPerHour + parts[1] * 60000LL +
                          parts[2] * 1000LL);
}

}  // namespace kvrn
