#include "base/FileSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>

#include "link/Telemetry.h"

namespace zelt {

std::FILE* OpenFile(const std::string& path, const char* mode) {
    return std::fopen(path.c_str(), mode);
}

bool IsFolder(const std::string& path) {
    struct stat info {};
    return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool OpensForReadAndWrite(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return false;
    }
    const int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    close(fd);
    return true;
}

bool MakeFolder(const std::string& path) {
    return mkdir(path.c_str(), 0777) == 0 || (errno == EEXIST && IsFolder(path));
}

std::tm LocalTimeOf(std::time_t t) {
    std::tm parts{};
    localtime_r(&t, &parts);
    return parts;
}

std::tm UtcTimeOf(std::time_t t) {
    std::tm parts{};
    gmtime_r(&t, &parts);
    return parts;
}

long UtcOffsetSeconds(std::time_t t) {
    return LocalTimeOf(t).tm_gmtoff;
}

std::string ExecutableFolder() {
    std::array<char, 4096> buffer{};
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (length <= 0) {
        return {};
    }
    const std::string path(buffer.data(), static_cast<size_t>(length));
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace zelt
