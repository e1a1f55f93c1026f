#include "link/PortNames.h"

namespace zelt {

int ParseComName(const std::string& name) {
    if (name.size() < 4 || name.size() > 5) {
        return 0;
    }
    for (size_t i = 0; i < 3; ++i) {
        const char c = static_cast<char>(name[i] & ~0x20);  // ASCII upper case
        if (c != "COM"[i]) {
            return 0;
        }
    }
    int number = 0;
    for (size_t i = 3; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9') {
            return 0;
        }
        number = number * 10 + (name[i] - '0');
    }
    return (number >= kFirstComPort && number <= kLastComPort) ? number : 0;
}

}  // namespace zelt
