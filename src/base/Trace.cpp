#include "base/Trace.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace zelt {

namespace {
std::string VStrF(const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    char small[256];
    const int needed = std::vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    if (needed < 0) {
        return {};
    }
    if (static_cast<size_t>(needed) < sizeof small) {
        return std::string(small, static_cast<size_t>(needed));
    }
    std::string text(static_cast<size_t>(needed) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, args);
    text.resize(static_cast<size_t>(needed));
    return text;
}
}  // namespace

bool TraceRequestedByEnvironment() {
    const char* value = std::getenv("ZELT_TRACE");
    return value != nullptr && std::strcmp(value, "1") == 0;
}

void TraceF(ITraceSink& sink, const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string line = VStrF(format, args);
    va_end(args);
    sink.Write(line);
}

std::string StrF(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = VStrF(format, args);
    va_end(args);
    return text;
}

}  // namespace zelt
