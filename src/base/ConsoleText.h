#pragma once
// The program's arguments and console output as UTF-8 text on every platform.

namespace zelt {

// Replaces argc/argv with the command line as UTF-8 (Windows reads it as UTF-16) and makes
// standard output and error carry UTF-8: a console shows it as text, a pipe or a file gets
// the bytes unchanged, with "\n" line ends as on Linux. Call first thing in main.
void PrepareConsoleText(int& argc, char**& argv);

}  // namespace zelt
