#pragma once
// What the parameter panel needs of the main window: the values it shows of the controller,
// its timer step and its buttons (the window runs their exchanges, one at a time, and says
// what failed), and message boxes that go through the window interface (so tests can answer
// them).

#include <string>

#include "panel/ControllerTexts.h"
#include "panel/PanelValues.h"

namespace zelt {

class IPanelHost {
  public:
    virtual ~IPanelHost() = default;

    virtual PanelValues& Values() = 0;
    // One tick of the panel timer: the clocks and, every fifth tick, the poll. True when this
    // tick read the live readings (the chart takes a sample).
    virtual bool PanelTick() = 0;
    // The Reset, Set RTC and Update buttons.
    virtual void ResetChargeCount() = 0;
    virtual void SetControllerClock() = 0;
    virtual void UpdateOperatingMode() = 0;
    virtual void ShowMessage(const std::string& text, const std::string& caption,
                             MessageIcon icon) = 0;
};

}  // namespace zelt
