#include "base/ConsoleText.h"

#include <windows.h>
// after windows.h, which it builds on
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "Wide.h"

namespace zelt {

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
    // The programs write UTF-8 with "\n": the console decodes it as UTF-8, and a pipe or a
    // file receives exactly the bytes a Linux run gives (no "\r\n" translation).
    SetConsoleOutputCP(CP_UTF8);
    std::fflush(stdout);
    std::fflush(stderr);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

}  // namespace zelt
