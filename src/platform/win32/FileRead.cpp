#include "base/FileRead.h"

#include <windows.h>

#include <cerrno>

#include "Wide.h"

namespace zelt {

namespace {

FileReadResult Refusal(FileReadStatus status, int systemError) {
    FileReadResult result;
    result.status = status;
    result.systemError = systemError;
    return result;
}

// The errno value that the common texts describe for a Win32 error.
int ErrnoOf(DWORD err) {
    switch (err) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
            return ENOENT;
        case ERROR_ACCESS_DENIED:
            return EACCES;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return EBUSY;
        default:
            return EIO;
    }
}

}  // namespace

FileReadResult ReadLimitedFile(const std::string& path, uint64_t limit) {
    FileReadResult result;
    result.limit = limit;
    const std::wstring wide = win32::Wide(path);
    // Attributes before the open: a device or a pipe is never opened for reading.
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return Refusal(FileReadStatus::CannotOpen, ErrnoOf(GetLastError()));
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        result.status = FileReadStatus::NotRegularFile;
        result.fileKind = FileKind::Folder;
        return result;
    }
    const HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return Refusal(FileReadStatus::CannotOpen, ErrnoOf(GetLastError()));
    }
    const DWORD type = GetFileType(file);
    if (type != FILE_TYPE_DISK) {
        CloseHandle(file);
        result.status = FileReadStatus::NotRegularFile;
        result.fileKind = type == FILE_TYPE_PIPE   ? FileKind::Fifo
                          : type == FILE_TYPE_CHAR ? FileKind::Device
                                                   : FileKind::Other;
        return result;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size)) {
        const int error = ErrnoOf(GetLastError());
        CloseHandle(file);
        return Refusal(FileReadStatus::ReadError, error);
    }
    result.fileLength = static_cast<uint64_t>(size.QuadPart);
    if (result.fileLength > limit) {
        CloseHandle(file);
        result.status = FileReadStatus::TooLarge;
        return result;
    }
    // One byte more than the limit tells a file that has grown since it was measured.
    std::string bytes(static_cast<size_t>(limit) + 1, '\0');
    size_t got = 0;
    while (got < bytes.size()) {
        DWORD n = 0;
        if (!ReadFile(file, bytes.data() + got, static_cast<DWORD>(bytes.size() - got), &n,
                      nullptr)) {
            const int error = ErrnoOf(GetLastError());
            CloseHandle(file);
            return Refusal(FileReadStatus::ReadError, error);
        }
        if (n == 0) {
            break;
        }
        got += n;
    }
    CloseHandle(file);
    return FinishedRead(std::move(result), std::move(bytes), got);
}

}  // namespace zelt
