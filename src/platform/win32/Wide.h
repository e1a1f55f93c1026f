#pragma once
// UTF-8 (the programs' text everywhere) to and from UTF-16 (the wide Win32 calls).

#include <windows.h>

#include <string>

namespace zelt::win32 {

inline std::wstring Wide(const std::string& text) {
    if (text.empty()) {
        return {};
    }
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                        length);
    return wide;
}

inline std::string Utf8(const wchar_t* text, size_t count) {
    if (count == 0) {
        return {};
    }
    const int length = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(count), nullptr, 0,
                                           nullptr, nullptr);
    std::string narrow(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(count), narrow.data(), length, nullptr,
                        nullptr);
    return narrow;
}

inline std::string Utf8(const std::wstring& text) {
    return Utf8(text.data(), text.size());
}

}  // namespace zelt::win32
