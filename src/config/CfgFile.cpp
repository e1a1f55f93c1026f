#include "config/CfgFile.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <system_error>

#include "base/FileRead.h"
#include "base/Trace.h"
#include "config/FileReplace.h"

namespace zelt {

namespace {

// Appends fields little-endian, in the order they are written.
class ImageWriter {
  public:
    void U8(uint8_t value) { bytes_.push_back(value); }
    void U32(uint32_t value) {
        for (int i = 0; i < 4; ++i) {
            bytes_.push_back(static_cast<uint8_t>(value >> (8 * i)));
        }
    }
    void I32(int32_t value) { U32(static_cast<uint32_t>(value)); }
    void F32(float value) { U32(std::bit_cast<uint32_t>(value)); }
    void Raw(std::span<const uint8_t> data) {
        bytes_.insert(bytes_.end(), data.begin(), data.end());
    }
    std::vector<uint8_t> Take() { return std::move(bytes_); }

  private:
    std::vector<uint8_t> bytes_;
};

// Reads fields little-endian from an image whose length has been checked beforehand.
class ImageReader {
  public:
    explicit ImageReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    uint8_t U8() { return bytes_[pos_++]; }
    uint32_t U32() {
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            value |= static_cast<uint32_t>(bytes_[pos_ + i]) << (8 * i);
        }
        pos_ += 4;
        return value;
    }
    int32_t I32() { return static_cast<int32_t>(U32()); }
    float F32() { return std::bit_cast<float>(U32()); }
    std::span<const uint8_t> Raw(std::size_t size) {
        const auto part = bytes_.subspan(pos_, size);
        pos_ += size;
        return part;
    }

  private:
    std::span<const uint8_t> bytes_;
    std::size_t pos_ = 0;
};

constexpr std::size_t kSignatureSize = 8;
constexpr std::size_t kSectorSize = CTimeSectorData::kSerializedSize;

void EncodeTail(const CCfgDocument& r, ImageWriter& out) {
    out.U32(r.vMode);
    out.F32(r.lvrVoltage);
    out.F32(r.lvdVoltage);
    out.F32(r.fcvVoltage);
    out.F32(r.acvVoltage);
    out.I32(r.ochtTime);
    out.I32(r.tempCompensation);
    out.U32(r.pwmEnabled);
    out.F32(r.maxVout);
    out.F32(r.minVout);
    out.F32(r.lightOnVoltage);
    out.F32(r.lightOffVoltage);
    out.U8(r.operatingMode);
    out.U8(r.lightingTime);
    out.F32(r.remoteLevel);
    out.U32(r.remoteLevelEnabled);
    out.I32(r.dtTime);
    for (int step = 0; step < CCfgDocument::kAutoSteps; ++step) {
        out.I32(r.autoDuration[step]);
        out.I32(r.autoBrightness[step]);
    }
    out.U32(r.lowLevelEnabled);
    out.F32(r.low1Voltage);
    out.F32(r.low2Voltage);
    out.I32(r.low1Brightness);
    out.I32(r.low2Brightness);
    out.U8(r.batteryType);
    out.Raw(r.reservedBytes);
}

void DecodeTail(ImageReader& in, CCfgDocument& r) {
    r.vMode = in.U32();
    r.lvrVoltage = in.F32();
    r.lvdVoltage = in.F32();
    r.fcvVoltage = in.F32();
    r.acvVoltage = in.F32();
    r.ochtTime = in.I32();
    r.tempCompensation = in.I32();
    r.pwmEnabled = in.U32();
    r.maxVout = in.F32();
    r.minVout = in.F32();
    r.lightOnVoltage = in.F32();
    r.lightOffVoltage = in.F32();
    r.operatingMode = in.U8();
    r.lightingTime = in.U8();
    r.remoteLevel = in.F32();
    r.remoteLevelEnabled = in.U32();
    r.dtTime = in.I32();
    for (int step = 0; step < CCfgDocument::kAutoSteps; ++step) {
        r.autoDuration[step] = in.I32();
        r.autoBrightness[step] = in.I32();
    }
    r.lowLevelEnabled = in.U32();
    r.low1Voltage = in.F32();
    r.low2Voltage = in.F32();
    r.low1Brightness = in.I32();
    r.low2Brightness = in.I32();
    r.batteryType = in.U8();
    const auto reserved = in.Raw(CCfgDocument::kReservedBytes);
    std::copy(reserved.begin(), reserved.end(), r.reservedBytes.begin());
}

std::string SystemErrorText(int error) {
    return std::generic_category().message(error);
}

}  // namespace

uint32_t CfgChecksum(const CCfgDocument& r) {
    uint32_t sum = 0;
    for (const int32_t word :
         {r.windowTop, r.windowLeft, r.windowRight, r.windowBottom, r.sectorCount}) {
        sum += static_cast<uint32_t>(word);
    }
    return sum + r.reservedWord;
}

void PrepareForStore(CCfgDocument& record) {
    record.fileMagic = kCfgFileMagic;
    record.fileVersion = kCfgFileVersion;
    record.fileChecksum = CfgChecksum(record);
    record.sectorCount = static_cast<int32_t>(record.sectors.size());
}

std::vector<uint8_t> EncodeCfg(const CCfgDocument& r) {
    ImageWriter out;
    out.U32(r.fileMagic);
    out.U32(r.fileVersion);
    out.U32(r.fileChecksum);
    out.I32(r.windowTop);
    out.I32(r.windowLeft);
    out.I32(r.windowRight);
    out.I32(r.windowBottom);
    out.U32(r.reservedWord);
    out.I32(static_cast<int32_t>(r.sectors.size()));
    for (const auto& sector : r.sectors) {
        out.Raw(sector.Serialize());
    }
    EncodeTail(r, out);
    return out.Take();
}

CfgLoadResult CheckCfgHead(std::span<const uint8_t> head, uint64_t fileLength) {
    CfgLoadResult result;
    result.fileLength = fileLength;
    result.neededLength = kCfgFixedSize;
    if (fileLength == 0) {
        result.status = CfgLoadStatus::Empty;
        return result;
    }
    if (fileLength < kSignatureSize || head.size() < kSignatureSize) {
        result.status = CfgLoadStatus::TooShort;
        return result;
    }
    ImageReader in(head);
    const uint32_t magic = in.U32();
    const uint32_t version = in.U32();
    if (magic != kCfgFileMagic || version != kCfgFileVersion) {
        result.status = CfgLoadStatus::WrongSignature;
        return result;
    }
    if (fileLength < kCfgHeadSize || head.size() < kCfgHeadSize) {
        result.status = CfgLoadStatus::TooShort;
        return result;
    }
    result.sectorCount = static_cast<int32_t>(head[32] | head[33] << 8 | head[34] << 16 |
                                              static_cast<uint32_t>(head[35]) << 24);
    const int64_t n = result.sectorCount;
    if (n >= 0) {
        result.neededLength = kCfgFixedSize + kSectorSize * static_cast<uint64_t>(n);
    }
    // A cut file is "too short" whatever its count; only a count that no length could hold
    // (a negative one) is impossible. The loader reads no more than the file holds, so a
    // huge count costs nothing.
    if (fileLength < kCfgFixedSize) {
        result.status = CfgLoadStatus::TooShort;
    } else if (n < 0) {
        result.status = CfgLoadStatus::BadSectorCount;
    } else if (fileLength < result.neededLength) {
        result.status = CfgLoadStatus::TooShort;
    }
    return result;
}

CfgLoadResult DecodeCfg(std::span<const uint8_t> bytes, CCfgDocument& record) {
    const CfgLoadResult result =
        CheckCfgHead(bytes.first(std::min(bytes.size(), kCfgHeadSize)), bytes.size());
    if (!result.ok()) {
        return result;
    }
    CCfgDocument loaded;  // every field comes from the file
    ImageReader in(bytes);
    loaded.fileMagic = in.U32();
    loaded.fileVersion = in.U32();
    loaded.fileChecksum = in.U32();
    loaded.windowTop = in.I32();
    loaded.windowLeft = in.I32();
    loaded.windowRight = in.I32();
    loaded.windowBottom = in.I32();
    loaded.reservedWord = in.U32();
    loaded.sectorCount = in.I32();
    loaded.sectors.clear();
    loaded.sectors.reserve(static_cast<std::size_t>(loaded.sectorCount));
    for (int32_t i = 0; i < loaded.sectorCount; ++i) {
        loaded.sectors.push_back(
            CTimeSectorData::Deserialize(in.Raw(kSectorSize).first<kSectorSize>()));
    }
    DecodeTail(in, loaded);
    record = std::move(loaded);
    return result;
}

CfgLoadResult LoadCfgFile(const std::string& path, CCfgDocument& record) {
    const FileReadResult file = ReadLimitedFile(path, kRecordFileLimit);
    CfgLoadResult result;
    result.fileLength = file.fileLength;
    result.systemError = file.systemError;
    switch (file.status) {
        case FileReadStatus::Ok:
            break;
        case FileReadStatus::CannotOpen:
            result.status = CfgLoadStatus::CannotOpen;
            return result;
        case FileReadStatus::NotRegularFile:
            if (file.fileKind == FileKind::Folder) {
                result.status = CfgLoadStatus::CannotOpen;
                result.systemError = EISDIR;
            } else {
                result.status = CfgLoadStatus::NotRegularFile;
            }
            return result;
        case FileReadStatus::TooLarge:
            result.status = CfgLoadStatus::TooLarge;
            result.neededLength = file.limit;
            return result;
        case FileReadStatus::ReadError:
            result.status = CfgLoadStatus::ReadError;
            return result;
    }
    const auto* data = reinterpret_cast<const uint8_t*>(file.bytes.data());
    return DecodeCfg(std::span(data, file.bytes.size()), record);
}

CfgStoreResult StoreCfgFile(const std::string& path, CCfgDocument& record) {
    CCfgDocument stored = record;
    PrepareForStore(stored);
    const std::vector<uint8_t> bytes = EncodeCfg(stored);
    CfgStoreResult result;
    result.systemError = ReplaceFileContents(path, bytes, ReadOnlyFile::Refuse);
    result.ok = result.systemError == 0;
    if (result.ok) {
        record.fileMagic = stored.fileMagic;
        record.fileVersion = stored.fileVersion;
        record.fileChecksum = stored.fileChecksum;
        record.sectorCount = stored.sectorCount;
    }
    return result;
}

std::string CfgLoadProblemText(const CfgLoadResult& result, bool english) {
    const auto length = static_cast<unsigned long long>(result.fileLength);
    const auto needed = static_cast<unsigned long long>(result.neededLength);
    switch (result.status) {
        case CfgLoadStatus::Ok:
            return english ? "The file is a sound configuration file." : "此檔案是正確的設定檔.";
        case CfgLoadStatus::CannotOpen:
            return english
                       ? "The file cannot be opened: " + SystemErrorText(result.systemError) + "."
                       : "無法開啟檔案: " + SystemErrorText(result.systemError) + ".";
        case CfgLoadStatus::NotRegularFile:
            return english ? "This is not a regular file." : "這不是一般檔案.";
        case CfgLoadStatus::ReadError:
            return english ? "The file cannot be read: " + SystemErrorText(result.systemError) + "."
                           : "無法讀取檔案: " + SystemErrorText(result.systemError) + ".";
        case CfgLoadStatus::Empty:
            return english ? "Illegal Config File: the file is empty."
                           : "此為錯誤檔案: 檔案是空的.";
        case CfgLoadStatus::TooShort:
            return english ? StrF(
                                 "Illegal Config File: the file is too short (%llu bytes, %llu "
                                 "needed).",
                                 length, needed)
                           : StrF("此為錯誤檔案: 檔案太短 (%llu 位元組, 需要 %llu 位元組).", length,
                                  needed);
        case CfgLoadStatus::WrongSignature:
            return english ? "Illegal Config File." : "此為錯誤檔案.";
        case CfgLoadStatus::TooLarge:
            return english ? StrF(
                                 "Illegal Config File: the file is larger than a configuration "
                                 "file can be (%llu bytes, at most %llu).",
                                 length, needed)
                           : StrF("此為錯誤檔案: 檔案過大 (%llu 位元組, 最多 %llu 位元組).", length,
                                  needed);
        case CfgLoadStatus::BadSectorCount:
            return english ? StrF(
                                 "Illegal Config File: the sector count %d is impossible in a "
                                 "file of %llu bytes.",
                                 static_cast<int>(result.sectorCount), length)
                           : StrF("此為錯誤檔案: 時段數 %d 不可能存在於 %llu 位元組的檔案中.",
                                  static_cast<int>(result.sectorCount), length);
    }
    return {};
}

std::string CfgStoreProblemText(const CfgStoreResult& result, bool english) {
    if (result.ok) {
        return english ? "The file has been saved." : "檔案已儲存.";
    }
    return english ? "The file cannot be saved: " + SystemErrorText(result.systemError) + "."
                   : "無法儲存檔案: " + SystemErrorText(result.systemError) + ".";
}

}  // namespace zelt
