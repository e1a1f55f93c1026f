#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "config/CfgDocument.h"

namespace zelt {

// The .cfg file: a flat little-endian image of the record. A 36-byte head (signature,
// version, checksum, window top before left, right, bottom, reserved word, sector count), 12
// bytes per sector, and a 255-byte tail whose fields from offset 50 on are unaligned.
constexpr uint32_t kCfgFileMagic = 0x78563412;
constexpr uint32_t kCfgFileVersion = 0x20090811;
constexpr std::size_t kCfgHeadSize = 36;
constexpr std::size_t kCfgTailSize = 255;
constexpr std::size_t kCfgFixedSize = kCfgHeadSize + kCfgTailSize;  // 291

enum class CfgLoadStatus {
    Ok,
    CannotOpen,      // missing, no permission, a folder...
    NotRegularFile,  // a device, a pipe: never read, it could block or never end
    ReadError,
    TooLarge,  // more than kRecordFileLimit bytes: no sane record is that long
    Empty,
    TooShort,        // ends before the last field its head announces
    WrongSignature,  // fileMagic or fileVersion differ
    BadSectorCount,  // negative: no file length could hold it
};

struct CfgLoadResult {
    CfgLoadStatus status = CfgLoadStatus::Ok;
    uint64_t fileLength = 0;
    uint64_t neededLength = 0;  // 291 + 12 n once the head has been read; the limit of TooLarge
    int32_t sectorCount = 0;    // as the head gives it
    int systemError = 0;        // errno of CannotOpen and ReadError

    bool ok() const { return status == CfgLoadStatus::Ok; }
};

// The 32-bit wrapping sum of the head words that the store writes as fileChecksum.
uint32_t CfgChecksum(const CCfgDocument& record);

// The first steps of a store: the signature, the version, the checksum (over the head words
// as they stand) and then sectorCount from the sector list.
void PrepareForStore(CCfgDocument& record);

// The file image of a record as it stands; the count word is the length of its sector list.
std::vector<uint8_t> EncodeCfg(const CCfgDocument& record);

// Checks the head of a file of fileLength bytes, of which head holds the first
// min(fileLength, 36). Tells how long the file must be when it is sound.
CfgLoadResult CheckCfgHead(std::span<const uint8_t> head, uint64_t fileLength);

// Reads a whole file image into *record. The record is written only when the image is sound:
// long enough for everything its head announces, with the right signature and version.
// Bytes after the tail are ignored. The checksum is not verified.
CfgLoadResult DecodeCfg(std::span<const uint8_t> bytes, CCfgDocument& record);

// Loads a file into record with the same all-or-nothing rule. A file larger than
// kRecordFileLimit (some 87 000 sectors) is refused before it is read, so neither a crafted
// sector count nor a huge file can make it allocate much.
CfgLoadResult LoadCfgFile(const std::string& path, CCfgDocument& record);

struct CfgStoreResult {
    bool ok = false;
    int systemError = 0;
};

// Stores the record: writes a temporary file in the target's folder, flushes it to the disk
// and renames it over path, so that a failed or interrupted store leaves the old file as it
// was. A symbolic link is written through, mode and owner are kept, and a read-only file is
// refused with EACCES (see ReplaceFileContents). On success the record's head fields and
// sectorCount are those of the file; on failure the record is unchanged.
CfgStoreResult StoreCfgFile(const std::string& path, CCfgDocument& record);

// What is wrong with a file, in English (true) or Chinese, one sentence without the path.
std::string CfgLoadProblemText(const CfgLoadResult& result, bool english);
std::string CfgStoreProblemText(const CfgStoreResult& result, bool english);

}  // namespace zelt
