#pragma once
// The worker seam of a main window: its toolkit's thread that owns the port.

#include <atomic>
#include <functional>

namespace zelt {

// The one thread that owns the port, as the window's toolkit runs it.
class ILinkWorker {
  public:
    virtual ~ILinkWorker() = default;
    // Runs exchange on the worker and returns once it has ended; the window's events go on
    // meanwhile.
    virtual void Run(const std::function<void()>& exchange) = 0;
    // The exchange that runs stops after its request in flight; the flag stays until cleared.
    virtual void Cancel() = 0;
    virtual void ClearCancel() = 0;
    virtual std::atomic<bool>* CancelFlag() = 0;
};

}  // namespace zelt
