#include "base/ConsoleText.h"

#include <windows.h>
// after windows.h, which it builds on
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "ConsolePump.h"
#include "Wide.h"

namespace zelt {

namespace {

// The length of text without a UTF-8 sequence that its last bytes only begin.
size_t WholeUtf8Length(std::string_view text) {
    for (size_t back = 1; back <= 3 && back <= text.size(); ++back) {
        const auto byte = static_cast<unsigned char>(text[text.size() - back]);
        if ((byte & 0xC0) != 0x80) {  // the lead byte of the last sequence
            const size_t needed = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
            return needed > back ? text.size() - back : text.size();
        }
    }
    return text.size();
}

// Everything the program writes to a console comes here: the console takes UTF-16, whatever
// its code page, so Chinese text shows right without changing the code page of the console
// the user goes on working in.
void WriteConsoleText(HANDLE console, std::string_view utf8) {
    const std::wstring wide = win32::Wide(std::string(utf8));
    size_t done = 0;
    while (done < wide.size()) {
        DWORD written = 0;
        const auto chunk = static_cast<DWORD>(std::min<size_t>(wide.size() - done, 8192));
        if (!WriteConsoleW(console, wide.data() + done, chunk, &written, nullptr) || written == 0) {
            return;
        }
        done += written;
    }
}

// A standard stream that is a console: the C runtime's descriptor writes into a pipe, and a
// thread of its own hands what arrives to WriteConsoleW, sequences split between two writes
// kept together.
struct ConsoleStream {
    int descriptor = -1;
    HANDLE console = nullptr;
    HANDLE pipeRead = nullptr;
    HANDLE pump = nullptr;
};

ConsoleStream theStreams[2];

DWORD WINAPI Pump(void* parameter) {
    const auto& stream = *static_cast<ConsoleStream*>(parameter);
    std::string pending;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(stream.pipeRead, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        pending.append(buffer, got);
        const size_t whole = WholeUtf8Length(pending);
        WriteConsoleText(stream.console, std::string_view(pending).substr(0, whole));
        pending.erase(0, whole);
    }
    WriteConsoleText(stream.console, pending);  // the end of the output, even if cut short
    return 0;
}

void PumpToConsole(ConsoleStream& stream, FILE* file, DWORD standardHandle) {
    const HANDLE standard = GetStdHandle(standardHandle);
    DWORD mode = 0;
    HANDLE pipeWrite = nullptr;
    // A handle of the pump's own: the descriptor's is closed when the pipe takes its place.
    if (standard == nullptr || standard == INVALID_HANDLE_VALUE ||
        !GetConsoleMode(standard, &mode) ||
        !DuplicateHandle(GetCurrentProcess(), standard, GetCurrentProcess(), &stream.console, 0,
                         FALSE, DUPLICATE_SAME_ACCESS) ||
        !CreatePipe(&stream.pipeRead, &pipeWrite, nullptr, 64 * 1024)) {
        return;  // a pipe or a file: it gets the UTF-8 bytes unchanged
    }
    const int writeEnd = _open_osfhandle(reinterpret_cast<intptr_t>(pipeWrite), _O_BINARY);
    stream.pump = CreateThread(nullptr, 0, &Pump, &stream, 0, nullptr);
    if (writeEnd < 0 || stream.pump == nullptr || _dup2(writeEnd, _fileno(file)) != 0) {
        std::abort();  // nothing could be shown; not expected of a working system
    }
    _close(writeEnd);
    stream.descriptor = _fileno(file);
}

void FinishConsoleTextAtExit() {
    std::fflush(stdout);
    std::fflush(stderr);
    win32::FinishConsoleText();
}

}  // namespace

namespace win32 {

void FinishConsoleText() {
    for (ConsoleStream& stream : theStreams) {
        if (stream.descriptor >= 0) {
            _close(stream.descriptor);  // the pump reads to the end, then stops
            stream.descriptor = -1;
            WaitForSingleObject(stream.pump, 2000);
        }
    }
}

}  // namespace win32

void PrepareConsoleText(int& argc, char**& argv) {
    // The arguments as the user typed them, whatever the ANSI code page would make of them.
    static std::vector<std::string> arguments;
    static std::vector<char*> pointers;
    int count = 0;
    if (LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
        arguments.clear();
        for (int i = 0; i < count; ++i) {
            arguments.push_back(win32::Utf8(wide[i], wcslen(wide[i])));
        }
        LocalFree(wide);
        pointers.clear();
        for (std::string& argument : arguments) {
            pointers.push_back(argument.data());
        }
        pointers.push_back(nullptr);
        argc = count;
        argv = pointers.data();
    }
    // The programs write UTF-8 with "\n": a pipe or a file receives exactly the bytes a Linux
    // run gives (no "\r\n" translation), a console the same text as UTF-16.
    std::fflush(stdout);
    std::fflush(stderr);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    PumpToConsole(theStreams[0], stdout, STD_OUTPUT_HANDLE);
    PumpToConsole(theStreams[1], stderr, STD_ERROR_HANDLE);
    std::atexit(&FinishConsoleTextAtExit);
}

}  // namespace zelt
