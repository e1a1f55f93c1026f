#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace zelt {

// What a replacement does with a file that is already there and marked read-only.
enum class ReadOnlyFile {
    Replace,  // the settings key: replaced like any other file
    Refuse,   // a .cfg file: left alone, as a save in place would have to
};

// Replaces the contents of the file at path so that a failed or interrupted write leaves the
// old file as it was: a temporary file in the same folder, flushed to the disk, renamed over
// the file. The one writer of .cfg files and of the settings key.
// - A symbolic link stays a link: the file it points to is written (created when missing).
// - An existing file keeps its permission bits, owner and group. When the process may not
//   give the new file the old owner or group, the file is written in place instead, as an
//   editor would, rather than change hands.
// - A folder, a device or any other file that is not a regular file is never replaced.
// - With ReadOnlyFile::Refuse, an existing file that has no write permission bit, or that
//   this process cannot open for writing, is left untouched and the save fails with EACCES
//   (or the open's error). The mode bits decide even for root, so a file the user made
//   read-only (chmod 0444) is protected from every account.
// Returns 0 on success, else an errno value.
int ReplaceFileContents(const std::string& path, std::span<const uint8_t> bytes,
                        ReadOnlyFile readOnly);

}  // namespace zelt
