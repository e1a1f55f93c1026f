#pragma once
// The fuzz build links this in place of the terminal CComPort: every port from COM1 to COM40
// "opens", and reads and writes go to the scripted port the target points it at.

#include "link/SerialPort.h"

namespace zelt::fuzzing {

// The line behind CComPort (theComPort included); nullptr makes every open fail.
void SetLineBehindComPort(ISerialPort* line);

}  // namespace zelt::fuzzing
