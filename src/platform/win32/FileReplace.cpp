#include "config/FileReplace.h"

#include <windows.h>

#include <atomic>
#include <cerrno>

#include "Wide.h"
#include "base/Trace.h"

namespace zelt {

namespace {

int ErrnoOf(DWORD err) {
    switch (err) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return ENOENT;
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT:
            return EACCES;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return EBUSY;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return ENOSPC;
        default:
            return EIO;
    }
}

std::wstring FolderOf(const std::wstring& path) {
    const size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? std::wstring(L".") : path.substr(0, separator);
}

// A new file beside the target that no other save of this or another process uses.
HANDLE CreateTempBeside(const std::wstring& target, std::wstring* tempPath) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        *tempPath =
            FolderOf(target) + win32::Wide(StrF("\\.zelt-save-%lu-%u.tmp", GetCurrentProcessId(),
                                                counter.fetch_add(1)));
        const HANDLE file = CreateFileW(tempPath->c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) {
            return file;
        }
    }
    return INVALID_HANDLE_VALUE;
}

bool WriteAll(HANDLE file, std::span<const uint8_t> data) {
    while (!data.empty()) {
        DWORD written = 0;
        if (!WriteFile(file, data.data(), static_cast<DWORD>(data.size()), &written, nullptr)) {
            return false;
        }
        data = data.subspan(written);
    }
    return true;
}

}  // namespace

int ReplaceFileContents(const std::string& path, std::span<const uint8_t> bytes,
                        ReadOnlyFile readOnly) {
    const std::wstring target = win32::Wide(path);
    const DWORD attributes = GetFileAttributesW(target.c_str());
    const bool hadFile = attributes != INVALID_FILE_ATTRIBUTES;
    if (hadFile && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return EISDIR;
    }
    if (hadFile && (attributes & FILE_ATTRIBUTE_DEVICE) != 0) {
        return EINVAL;
    }
    // The read-only attribute is what chmod 0444 is on Linux: a .cfg file keeps it.
    if (hadFile && (attributes & FILE_ATTRIBUTE_READONLY) != 0 &&
        readOnly == ReadOnlyFile::Refuse) {
        return EACCES;
    }
    std::wstring tempPath;
    const HANDLE file = CreateTempBeside(target, &tempPath);
    if (file == INVALID_HANDLE_VALUE) {
        return ErrnoOf(GetLastError());
    }
    int error = 0;
    if (!WriteAll(file, bytes) || !FlushFileBuffers(file)) {
        error = ErrnoOf(GetLastError());
    }
    CloseHandle(file);
    if (error == 0 && hadFile) {
        // The new file keeps the old one's attributes (hidden, archive, read-only).
        (void)SetFileAttributesW(tempPath.c_str(), attributes);
        if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
            (void)SetFileAttributesW(target.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
        }
    }
    if (error == 0 && !MoveFileExW(tempPath.c_str(), target.c_str(),
                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error = ErrnoOf(GetLastError());
        if (hadFile) {
            (void)SetFileAttributesW(target.c_str(), attributes);
        }
    }
    if (error != 0) {
        (void)SetFileAttributesW(tempPath.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(tempPath.c_str());
    }
    return error;
}

}  // namespace zelt
