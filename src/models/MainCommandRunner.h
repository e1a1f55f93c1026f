#pragma once
// How every main window runs a command of its toolbar or of the schedule panel: after a poll
// that runs now (the command waits for it), the close path on its own (it takes the gate
// itself), any other command as the one exchange of its time. A window says what each command
// does; this says when.

#include "models/ExchangeGate.h"
#include "models/ToolbarCommands.h"

namespace zelt {

class IMainCommandTarget {
  public:
    virtual ~IMainCommandTarget() = default;

    virtual void OpenFile() = 0;
    virtual void SaveFileAs() = 0;
    virtual void LinkController() = 0;
    virtual void ResetToDefault() = 0;
    virtual void ReadParameters() = 0;
    virtual void WriteParameters() = 0;
    virtual void ShowAbout() = 0;
    virtual void SwitchLanguage() = 0;
    virtual void DeleteSectors(bool all) = 0;
    virtual void CloseUtility() = 0;
};

// gate and target outlive every command deferred through the gate (both are the window's).
void RunMainCommand(ExchangeGate& gate, IMainCommandTarget& target, MainCommand command);

}  // namespace zelt
