#pragma once
// One temporary file for the whole fuzz run, rewritten for every input and removed at exit.

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace zelt::fuzzing {

class ScratchFile {
  public:
    explicit ScratchFile(const char* stem) {
        // Memory-backed when the system has it: the settings writer flushes every file it writes.
        const std::filesystem::path folder = std::filesystem::is_directory("/dev/shm")
                                                 ? std::filesystem::path("/dev/shm")
                                                 : std::filesystem::temp_directory_path();
        path_ = (folder / (std::string(stem) + ".XXXXXX")).string();
        const int fd = mkstemp(path_.data());
        if (fd < 0) {
            std::abort();
        }
        close(fd);
    }
    ~ScratchFile() { unlink(path_.c_str()); }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const std::string& Path() const { return path_; }

    void Write(const uint8_t* data, size_t size) const {
        const int fd = open(path_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        size_t done = 0;
        while (fd >= 0 && done < size) {
            const ssize_t n = ::write(fd, data + done, size - done);
            if (n <= 0) {
                break;
            }
            done += static_cast<size_t>(n);
        }
        if (fd < 0 || done != size || close(fd) != 0) {
            std::abort();  // the harness itself failed, not the code under test
        }
    }

  private:
    std::string path_;
};

}  // namespace zelt::fuzzing
