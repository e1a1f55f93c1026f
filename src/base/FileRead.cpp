#include "base/FileRead.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "base/Trace.h"

namespace zelt {

namespace {

FileReadResult Refusal(FileReadStatus status, int systemError) {
    FileReadResult result;
    result.status = status;
    result.systemError = systemError;
    return result;
}

// Checks what stat tells of a file: a regular file no larger than limit.
bool Admissible(const struct stat& info, uint64_t limit, FileReadResult& result) {
    result.limit = limit;
    if (!S_ISREG(info.st_mode)) {
        result.status = FileReadStatus::NotRegularFile;
        result.fileType = info.st_mode & S_IFMT;
        return false;
    }
    result.fileLength = static_cast<uint64_t>(info.st_size);
    if (result.fileLength > limit) {
        result.status = FileReadStatus::TooLarge;
        return false;
    }
    return true;
}

const char* FileTypeText(unsigned type, bool english) {
    switch (type) {
        case S_IFDIR:
            return english ? "a folder" : "資料夾";
        case S_IFIFO:
            return english ? "a FIFO" : "管道";
        case S_IFCHR:
        case S_IFBLK:
            return english ? "a device" : "裝置";
        case S_IFSOCK:
            return english ? "a socket" : "通訊端";
        default:
            return english ? "of another kind" : "其他類型";
    }
}

}  // namespace

FileReadResult ReadLimitedFile(const std::string& path, uint64_t limit) {
    FileReadResult result;
    struct stat info {};
    // stat before open: opening a device or a FIFO may block or act on the device.
    if (stat(path.c_str(), &info) != 0) {
        return Refusal(FileReadStatus::CannotOpen, errno);
    }
    if (!Admissible(info, limit, result)) {
        return result;
    }
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return Refusal(FileReadStatus::CannotOpen, errno);
    }
    // The path may have been replaced since the stat: decide on what was opened.
    if (fstat(fd, &info) != 0 || !Admissible(info, limit, result)) {
        close(fd);
        return result;
    }
    // One byte more than the limit tells a file that has grown since it was measured.
    std::string bytes(static_cast<size_t>(limit) + 1, '\0');
    size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            const int error = errno;
            close(fd);
            return Refusal(FileReadStatus::ReadError, error);
        }
        if (n == 0) {
            break;
        }
        got += static_cast<size_t>(n);
    }
    close(fd);
    if (got > limit) {
        result.status = FileReadStatus::TooLarge;
        result.fileLength = got;
        return result;
    }
    bytes.resize(got);
    result.bytes = std::move(bytes);
    result.fileLength = got;
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
            return english ? StrF("not a regular file (%s)", FileTypeText(result.fileType, true))
                           : StrF("不是一般檔案 (%s)", FileTypeText(result.fileType, false));
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
