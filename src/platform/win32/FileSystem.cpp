#include "base/FileSystem.h"

#include <windows.h>

#include <vector>

#include "Wide.h"
#include "link/Telemetry.h"

namespace zelt {

std::FILE* OpenFile(const std::string& path, const char* mode) {
    return _wfopen(win32::Wide(path).c_str(), win32::Wide(mode).c_str());
}

bool IsFolder(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(win32::Wide(path).c_str());
    return !path.empty() && attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool OpensForReadAndWrite(const std::string& path) {
    const std::wstring wide = win32::Wide(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return false;
    }
    const HANDLE file =
        CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    CloseHandle(file);
    return true;
}

bool MakeFolder(const std::string& path) {
    return CreateDirectoryW(win32::Wide(path).c_str(), nullptr) || IsFolder(path);
}

std::tm LocalTimeOf(std::time_t t) {
    std::tm parts{};
    localtime_s(&parts, &t);
    return parts;
}

std::tm UtcTimeOf(std::time_t t) {
    std::tm parts{};
    gmtime_s(&parts, &t);
    return parts;
}

long UtcOffsetSeconds(std::time_t t) {
    std::tm local = LocalTimeOf(t);
    return static_cast<long>(_mkgmtime(&local) - t);  // local fields read as UTC, less t
}

std::string ExecutableFolder() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            return {};
        }
        if (length < buffer.size()) {
            const std::string path = win32::Utf8(buffer.data(), length);
            const size_t separator = path.find_last_of("\\/");
            return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
        }
        buffer.resize(buffer.size() * 2);  // a long path: try again with room for it
    }
}

}  // namespace zelt
