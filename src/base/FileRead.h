#pragma once

#include <cstdint>
#include <string>

namespace zelt {

// The one way the programs read a file that a user hands them (the settings file, a .cfg, a
// JSON record, MFG.ini). What is not a regular file (a FIFO, a device, a folder) is refused
// before it is opened for reading, and so is a file larger than its format can be: neither
// may block the program or fill its memory.
enum class FileReadStatus {
    Ok,
    CannotOpen,      // missing, no permission, a link loop...
    NotRegularFile,  // never read: it could block or never end
    TooLarge,        // more bytes than the format can hold
    ReadError,
};

// What a refused path is instead of a regular file.
enum class FileKind { Other, Folder, Fifo, Device, Socket };

struct FileReadResult {
    FileReadStatus status = FileReadStatus::Ok;
    int systemError = 0;                  // errno of CannotOpen and ReadError
    FileKind fileKind = FileKind::Other;  // of NotRegularFile
    uint64_t fileLength = 0;              // as measured: at least limit + 1 when TooLarge
    uint64_t limit = 0;
    std::string bytes;  // the whole file when ok

    bool ok() const { return status == FileReadStatus::Ok; }
};

// Size limits of the formats, stated in the README.
constexpr uint64_t kSettingsFileLimit = 64 * 1024;
constexpr uint64_t kRecordFileLimit = 1024 * 1024;  // a .cfg or a JSON record
constexpr uint64_t kProfileFileLimit = 64 * 1024;   // MFG.ini

// Reads the whole file at path (UTF-8) when it is a regular file of at most limit bytes. The
// platform's own file calls do it (src/platform).
FileReadResult ReadLimitedFile(const std::string& path, uint64_t limit);

// How a platform's read of got bytes (at most limit + 1) into bytes ends: TooLarge when it read
// more than result.limit, otherwise the whole file.
FileReadResult FinishedRead(FileReadResult result, std::string bytes, uint64_t got);

// Why the file was refused, in English (true) or Chinese, without the path: "not a regular
// file (a FIFO)", "larger than this kind of file can be (N bytes, at most M)".
std::string FileReadProblemText(const FileReadResult& result, bool english);

}  // namespace zelt
