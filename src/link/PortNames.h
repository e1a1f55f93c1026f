#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zelt {

constexpr int kFirstComPort = 1;
constexpr int kLastComPort = 40;

// The port folder: $ZELT_PORT_DIR when set, else "ports" beside the settings file. Its
// entries COM1..COM40 (links to devices, or devices) name the ports.
std::string PortDirectory();
// True when ZELT_PORT_DIR is set, even to nothing: then only the folder's entries name ports.
bool PortDirectoryIsExplicit();
// True when ZELT_PORT_DIR is set but empty: an error ("ZELT_PORT_DIR is empty"), never a
// reason to reach the machine's own serial lines. No port opens then.
bool PortDirectoryIsEmpty();

// The device that COMn stands for: the folder entry when present, otherwise (unless the
// folder is explicit) /dev/ttyS0..31 for COM1..32 and /dev/ttyUSB0..7 for COM33..40.
// Empty when n is outside 1..40 or nothing names it.
std::string ComDevicePath(int portNumber);

// The COM ports among COM1..COM40 that the system itself lists, ascending: Windows names each
// serial port as a DOS device, whether or not a program has it open. nullopt where there is no
// such list (Linux): a port is then known by opening it.
std::optional<std::vector<int>> SystemComPorts();

// "COM7" -> 7; 0 for anything that is not COM1..COM40 (case-insensitive "COM").
int ParseComName(const std::string& name);

}  // namespace zelt
