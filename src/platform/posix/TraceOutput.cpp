#include <cstdio>

#include "base/Trace.h"

namespace zelt {

void StderrTraceSink::Write(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

}  // namespace zelt
