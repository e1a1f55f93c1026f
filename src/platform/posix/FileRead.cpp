#include "base/FileRead.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace zelt {

namespace {

FileReadResult Refusal(FileReadStatus status, int systemError) {
    FileReadResult result;
    result.status = status;
    result.systemError = systemError;
    return result;
}

FileKind KindOf(mode_t mode) {
    switch (mode & S_IFMT) {
        case S_IFDIR:
            return FileKind::Folder;
        case S_IFIFO:
            return FileKind::Fifo;
        case S_IFCHR:
        case S_IFBLK:
            return FileKind::Device;
        case S_IFSOCK:
            return FileKind::Socket;
        default:
            return FileKind::Other;
    }
}

// Checks what stat tells of a file: a regular file no larger than limit.
bool Admissible(const struct stat& info, uint64_t limit, FileReadResult& result) {
    result.limit = limit;
    if (!S_ISREG(info.st_mode)) {
        result.status = FileReadStatus::NotRegularFile;
        result.fileKind = KindOf(info.st_mode);
        return false;
    }
    result.fileLength = static_cast<uint64_t>(info.st_size);
    if (result.fileLength > limit) {
        result.status = FileReadStatus::TooLarge;
        return false;
    }
    return true;
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
    return FinishedRead(std::move(result), std::move(bytes), got);
}

}  // namespace zelt
