#pragma once
// The one rewritten line of progress on standard error, with the time since the display was
// made: the item of a sequence ("[3/26] Get RTC  1.2 s") or the probe of a detect walk
// ("COM3 RS485 ID 249  5.2 s"). Whatever prints a message clears it first.

#include <chrono>
#include <string>

namespace zeltctl {

class CtlProgress {
  public:
    void ShowProgress(int n, int total, const std::string& name);
    // rs485Id 0 in RS232 mode.
    void ShowProbe(int port, int rs485Id);
    void ClearProgress();

  private:
    bool progressShown_ = false;
    std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();

    void ShowProgressLine(const std::string& text);
};

}  // namespace zeltctl
