#include "kvrn/FrameParser.h"

#include "link/Transaction.h"

namespace kvrn {

namespace {

bool IsHexDigit(uint8_t byte) {
    return (byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'F') ||
           (byte >= 'a' && byte <= 'f');
}

bool IsFunctionCode(uint8_t byte) {
    return byte == 4 || byte == 6 || byte == 16;
}

}  // namespace

bool IsAsciiLeader(uint8_t byte) {
    return byte == 'G' || byte == 'S' || byte == 'Q' || byte == 'T';
}

bool FrameParser::LooksBinary() const {
    return buffer_.size() >= 2 && IsFunctionCode(buffer_[1]);
}

FrameParser::Scan FrameParser::ScanAscii(Request* request, size_t* used) const {
    if (!IsAsciiLeader(buffer_[0]))
        return Scan::Invalid;
    for (size_t i = 1; i < buffer_.size(); ++i) {
        const uint8_t byte = buffer_[i];
        if (byte == '\r') {
            request->wire = Wire::Rs232;
            request->bytes.assign(buffer_.begin(), buffer_.begin() + static_cast<long>(i));
            *used = i + 1;
            return Scan::Complete;
        }
        // A leader letter is no hex digit: a new request has begun and this one is garbage.
        if (!IsHexDigit(byte) || i + 1 >= kMaxAsciiLength)
            return Scan::Invalid;
    }
    return Scan::NeedMore;
}

FrameParser::Scan FrameParser::ScanBinary(Request* request, size_t* used) const {
    const uint8_t function = buffer_[1];
    size_t length = 6;
    if (function == 16) {
        if (buffer_.size() < 5)
            return Scan::NeedMore;
        length = 6 + buffer_[4];
    }
    if (buffer_.size() < length)
        return Scan::NeedMore;
    const int end = static_cast<int>(length) - 1;
    if (zelt::Rs485Checksum(buffer_.data(), end) != buffer_[end])
        return Scan::Invalid;
    request->wire = Wire::Rs485;
    request->bytes.assign(buffer_.begin(), buffer_.begin() + static_cast<long>(length));
    *used = length;
    return Scan::Complete;
}

std::vector<Request> FrameParser::Feed(const uint8_t* data, size_t size, int64_t nowMs) {
    std::vector<Request> requests;
    if (size == 0)
        return requests;
    if (!buffer_.empty()) {
        const int64_t idle = LooksBinary() ? kBinaryIdleMs : kAsciiIdleMs;
        if (nowMs - lastByteMs_ > idle)
            buffer_.clear();
    }
    buffer_.insert(buffer_.end(), data, data + size);
    lastByteMs_ = nowMs;

    while (!buffer_.empty()) {
        Request request;
        size_t used = 0;
        Scan scan = Scan::Invalid;
        if (buffer_.size() == 1) {
            // Any first byte may be a device ID; a lone leader letter may begin ASCII.
            scan = Scan::NeedMore;
        } else if (IsFunctionCode(buffer_[1])) {
            scan = ScanBinary(&request, &used);
        } else {
            scan = ScanAscii(&request, &used);
        }
        if (scan == Scan::NeedMore)
            break;
        if (scan == Scan::Invalid) {
            buffer_.erase(buffer_.begin());
            continue;
        }
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<long>(used));
        requests.push_back(std::move(request));
    }
    return requests;
}

}  // namespace kvrn
