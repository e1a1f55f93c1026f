#include "base/FileRead.h"

#include <system_error>

#include "base/Trace.h"

namespace zelt {

namespace {

const char* FileKindText(FileKind kind, bool english) {
    switch (kind) {
        case FileKind::Folder:
            return english ? "a folder" : "資料夾";
        case FileKind::Fifo:
            return english ? "a FIFO" : "管道";
        case FileKind::Device:
            return english ? "a device" : "裝置";
        case FileKind::Socket:
            return english ? "a socket" : "通訊端";
        case FileKind::Other:
            break;
    }
    return english ? "of another kind" : "其他類型";
}

}  // namespace

FileReadResult FinishedRead(FileReadResult result, std::string bytes, uint64_t got) {
    result.fileLength = got;
    if (got > result.limit) {
        result.status = FileReadStatus::TooLarge;
        return result;
    }
    bytes.resize(got);
    result.bytes = std::move(bytes);
    return result;
}

std::string FileReadProblemText(const FileReadResult& result, bool english) {
    const std::string system = std::generic_category().message(result.systemError);
    switch (result.status) {
        case FileReadStatus::Ok:
            return "";
        case FileReadStatus::CannotOpen:
            return (english ? "cannot be opened: " : "無法開啟: ") + system;
        case FileReadStatus::NotRegularFile:
            return english ? StrF("not a regular file (%s)", FileKindText(result.fileKind, true))
                           : StrF("不是一般檔案 (%s)", FileKindText(result.fileKind, false));
        case FileReadStatus::TooLarge:
            return english ? StrF("larger than this kind of file can be (%llu bytes, at most %llu)",
                                  static_cast<unsigned long long>(result.fileLength),
                                  static_cast<unsigned long long>(result.limit))
                           : StrF("檔案過大 (%llu 位元組, 最多 %llu 位元組)",
                                  static_cast<unsigned long long>(result.fileLength),
                                  static_cast<unsigned long long>(result.limit));
        case FileReadStatus::ReadError:
            return (english ? "cannot be read: " : "無法讀取: ") + system;
    }
    return "";
}

}  // namespace zelt
