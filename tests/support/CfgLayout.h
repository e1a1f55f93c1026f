#pragma once
// Builds .cfg images field by field from the file layout, independently of the code that
// writes them, and gives each test a scratch folder.

#include <unistd.h>

#include <bit>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace zelt::testing {

class CfgImage {
  public:
    CfgImage& U8(uint8_t v) {
        bytes.push_back(v);
        return *this;
    }
    CfgImage& U32(uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
        }
        return *this;
    }
    CfgImage& I32(int32_t v) { return U32(static_cast<uint32_t>(v)); }
    CfgImage& F32(float v) { return U32(std::bit_cast<uint32_t>(v)); }
    CfgImage& Fill(std::size_t count, uint8_t v) {
        bytes.insert(bytes.end(), count, v);
        return *this;
    }
    // Overwrites a little-endian word at a byte offset.
    void PatchU32(std::size_t offset, uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            bytes.at(offset + i) = static_cast<uint8_t>(v >> (8 * i));
        }
    }

    std::vector<uint8_t> bytes;
};

// A fresh folder under the system's temporary folder, removed with everything in it.
class ScratchFolder {
  public:
    ScratchFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "zelt-cfg-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        path = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::string File(const std::string& name) const { return (path / name).string(); }

    std::filesystem::path path;
};

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

inline uint32_t WordAt(const std::vector<uint8_t>& bytes, std::size_t offset) {
    return static_cast<uint32_t>(bytes.at(offset)) |
           static_cast<uint32_t>(bytes.at(offset + 1)) << 8 |
           static_cast<uint32_t>(bytes.at(offset + 2)) << 16 |
           static_cast<uint32_t>(bytes.at(offset + 3)) << 24;
}

}  // namespace zelt::testing
