#include <windows.h>

#include <cstdio>

#include "Wide.h"
#include "base/Trace.h"

namespace zelt {

// Standard error, and the debugger's output (DebugView and the like), where a window
// program's trace is read on Windows.
void StderrTraceSink::Write(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    OutputDebugStringW(win32::Wide(line).c_str());
}

}  // namespace zelt
