#pragma once
// The seek dialog's decisions, whatever draws it: the walk over COM1..COM40 (CSeekWalk) with
// the commands' status read as its probe, Cancel, and the blink of its two icon windows. The
// window runs Tick on its 400 ms timer and shows what it says.

#include <cstdint>
#include <functional>

#include "link/ComPort.h"
#include "link/Discovery.h"
#include "models/ControllerCommands.h"

namespace zelt {

class CSeekDialogModel {
  public:
    // showProbe is told the port number before its status read; getParameters runs once a
    // controller answered. The battery-failed flag is the commands' panel value.
    CSeekDialogModel(CControllerCommands& commands, CComPort& port, CSeekPosition& position,
                     std::function<void()> getParameters, std::function<void(int port)> showProbe);

    // One tick of timer 7. Found: the dialog ends accepted, FoundPort() is the port (even when
    // Cancel stopped "Get Parameters": the controller answered there). Stopped: it ends
    // rejected. Continue: the icons blink. Busy: an earlier tick still probes; nothing.
    SeekStepResult Tick();
    // Window 4004 (bright) shows, 4005 (dim) hides; the other way round when false.
    bool BrightIconShown() const { return brightShown_; }
    // Cancel, Escape or the close box: the walk ends, a probe that runs stops after its
    // request in flight and counts as no answer.
    void Cancel();
    uint16_t FoundPort() const { return static_cast<uint16_t>(walk_.FoundPort()); }
    bool Ended() const { return walk_.Ended(); }

  private:
    CControllerCommands& commands_;
    std::function<void(int)> showProbe_;
    bool cancelled_ = false;
    bool brightShown_ = true;
    uint32_t blinkTicks_ = 0;
    CSeekWalk walk_;
};

}  // namespace zelt
