#include "link/PortNames.h"

#include <sys/stat.h>

#include <cstdlib>

#include "base/Trace.h"
#include "config/Settings.h"

namespace zelt {

namespace {

const char* ExplicitPortDirectory() {
    return std::getenv("ZELT_PORT_DIR");
}

}  // namespace

std::string PortDirectory() {
    if (const char* folder = ExplicitPortDirectory()) {
        return folder;
    }
    const std::string settings = SettingsFilePath();
    const size_t slash = settings.find_last_of('/');
    return (slash == std::string::npos ? std::string(".") : settings.substr(0, slash)) + "/ports";
}

bool PortDirectoryIsExplicit() {
    return ExplicitPortDirectory() != nullptr;
}

bool PortDirectoryIsEmpty() {
    const char* folder = ExplicitPortDirectory();
    return folder != nullptr && folder[0] == '\0';
}

std::string ComDevicePath(int portNumber) {
    if (portNumber < kFirstComPort || portNumber > kLastComPort || PortDirectoryIsEmpty()) {
        return "";
    }
    // An entry that exists names the port even when it leads nowhere (a dangling link): the
    // open then fails instead of silently reaching another device.
    const std::string entry = PortDirectory() + StrF("/COM%d", portNumber);
    struct stat info {};
    if (lstat(entry.c_str(), &info) == 0) {
        return entry;
    }
    if (PortDirectoryIsExplicit()) {
        return "";
    }
    if (portNumber <= 32) {
        return StrF("/dev/ttyS%d", portNumber - 1);
    }
    return StrF("/dev/ttyUSB%d", portNumber - 33);
}

// /dev/ttyS* exist whether or not a line is behind them: only an open tells.
std::optional<std::vector<int>> SystemComPorts() {
    return std::nullopt;
}

}  // namespace zelt
