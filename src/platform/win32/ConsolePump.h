#pragma once
// The end of the console output PrepareConsoleText set up (base/ConsoleText.h).

namespace zelt::win32 {

// Hands what the program wrote to a console and has not yet been shown to the console, and
// waits (a short while at most) until it is there. Runs at exit; a handler that ends the
// process calls it first. Output written afterwards is lost.
void FinishConsoleText();

}  // namespace zelt::win32
