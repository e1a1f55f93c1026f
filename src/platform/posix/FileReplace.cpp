#include "config/FileReplace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>

#include "base/Trace.h"

namespace zelt {

namespace {

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The file a chain of symbolic links ends at, which need not exist yet. Empty (errno ELOOP)
// for a chain that does not end.
std::string FinalTarget(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info {};
        if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            return path;
        }
        char link[PATH_MAX];
        const ssize_t length = readlink(path.c_str(), link, sizeof link - 1);
        if (length < 0) {
            return path;
        }
        const std::string target(link, static_cast<size_t>(length));
        path = !target.empty() && target.front() == '/' ? target : FolderOf(path) + "/" + target;
    }
    errno = ELOOP;
    return {};
}

bool WriteAll(int fd, std::span<const uint8_t> data) {
    while (!data.empty()) {
        const ssize_t written = write(fd, data.data(), data.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data = data.subspan(static_cast<size_t>(written));
    }
    return true;
}

// A name beside the target that no other store of this or another process uses.
int CreateTempBeside(const std::string& target, std::string* tempPath) {
    static std::atomic<unsigned> counter{0};
    const std::string folder = FolderOf(target);
    for (int attempt = 0; attempt < 100; ++attempt) {
        *tempPath = folder + StrF("/.zelt-save-%ld-%u.tmp", static_cast<long>(getpid()),
                                  counter.fetch_add(1));
        const int fd = open(tempPath->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

// Whether an existing file may be written at all; 0 or the errno of the refusal.
int CheckExisting(const std::string& target, const struct stat& info, ReadOnlyFile readOnly) {
    if (S_ISDIR(info.st_mode)) {
        return EISDIR;
    }
    if (!S_ISREG(info.st_mode)) {
        return EINVAL;
    }
    if (readOnly == ReadOnlyFile::Replace) {
        return 0;
    }
    if ((info.st_mode & 0222) == 0) {
        return EACCES;
    }
    const int fd = open(target.c_str(), O_WRONLY | O_CLOEXEC);  // no O_TRUNC: only a check
    if (fd < 0) {
        return errno;
    }
    close(fd);
    return 0;
}

int WriteInPlace(const std::string& target, std::span<const uint8_t> bytes) {
    const int fd = open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) {
        return errno;
    }
    int error = 0;
    if (!WriteAll(fd, bytes) || fsync(fd) != 0) {
        error = errno;
    }
    if (close(fd) != 0 && error == 0) {
        error = errno;
    }
    return error;
}

// Gives the temporary file the old file's mode, owner and group; false when the owner or
// group cannot be kept.
bool TakeOver(int fd, const struct stat& old) {
    if ((old.st_uid != geteuid() || old.st_gid != getegid()) &&
        fchown(fd, old.st_uid, old.st_gid) != 0) {
        return false;
    }
    (void)fchmod(fd, old.st_mode & 07777);  // after fchown, which may clear set-id bits
    return true;
}

}  // namespace

int ReplaceFileContents(const std::string& path, std::span<const uint8_t> bytes,
                        ReadOnlyFile readOnly) {
    const std::string target = FinalTarget(path);
    if (target.empty()) {
        return errno;
    }
    struct stat old {};
    const bool hadFile = stat(target.c_str(), &old) == 0;
    if (hadFile) {
        if (const int refused = CheckExisting(target, old, readOnly); refused != 0) {
            return refused;
        }
    }
    std::string tempPath;
    const int fd = CreateTempBeside(target, &tempPath);
    if (fd < 0) {
        return errno;
    }
    if (hadFile && !TakeOver(fd, old)) {
        close(fd);
        unlink(tempPath.c_str());
        return WriteInPlace(target, bytes);
    }
    int error = 0;
    if (!WriteAll(fd, bytes) || fsync(fd) != 0) {
        error = errno;
    }
    if (close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error == 0 && rename(tempPath.c_str(), target.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        unlink(tempPath.c_str());
        return error;
    }
    // Make the rename itself durable; the file is in place whatever this gives.
    const int folder = open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        (void)fsync(folder);
        close(folder);
    }
    return 0;
}

}  // namespace zelt
