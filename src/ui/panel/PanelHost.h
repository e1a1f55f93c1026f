#pragma once
// What the parameter panel needs of the main window: the controller object for its commands
// and timer, one controller exchange at a time, and message boxes that go through the window
// interface (so tests can answer them).

#include <functional>
#include <string>

#include "link/ControllerLink.h"
#include "link/LinkHost.h"

namespace zelt {

class IPanelHost {
  public:
    virtual ~IPanelHost() = default;

    virtual CControllerLink& Link() = 0;
    // Runs exchange as the one controller exchange of the moment. When the link-busy flag is
    // set or another exchange is running, exchange is not run and the result is false.
    virtual bool RunExchange(const std::function<void()>& exchange) = 0;
    virtual void ShowMessage(const std::string& text, const std::string& caption,
                             MessageIcon icon) = 0;
};

}  // namespace zelt
