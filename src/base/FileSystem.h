#pragma once
// The few file-system and clock calls whose form differs between platforms (one
// implementation per platform folder). Paths are UTF-8 on every platform.

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>

namespace zelt {

// std::fopen of a UTF-8 name (Windows would read a narrow name in its ANSI code page).
std::FILE* OpenFile(const std::string& path, const char* mode);

// A UTF-8 name as a std::filesystem path, and back; their narrow forms follow the ANSI code
// page on Windows, and fail on a name it cannot spell.
inline std::filesystem::path PathOf(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}
inline std::string Utf8Of(const std::filesystem::path& path) {
    const std::u8string utf8 = path.u8string();
    return std::string(utf8.begin(), utf8.end());
}

// True for an existing folder.
bool IsFolder(const std::string& path);
// True for a regular file that this process may open for reading and writing.
bool OpensForReadAndWrite(const std::string& path);
// Creates one folder (its parent must exist); true when it exists afterwards.
bool MakeFolder(const std::string& path);
// The calendar fields of t in local time, and in UTC.
std::tm LocalTimeOf(std::time_t t);
std::tm UtcTimeOf(std::time_t t);
// How far local time is ahead of UTC at t, in seconds.
long UtcOffsetSeconds(std::time_t t);

}  // namespace zelt
