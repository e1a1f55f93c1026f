#pragma once
// The few file-system and clock calls whose form differs between platforms (one
// implementation per platform folder). Paths are UTF-8 on every platform.

#include <ctime>
#include <string>

namespace zelt {

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
