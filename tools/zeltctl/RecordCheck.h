#pragma once
// zeltctl's side of the record check (panel/RecordLimits.h's RecordGate): what `set` prints
// and refuses, and the warnings of `cfg import`.

#include <string>
#include <vector>

#include "Controller.h"
#include "config/CfgDocument.h"

namespace zeltctl {

class SetRecordCheck {
  public:
    // linePrefix begins every printed line ("ID 5: " on a bus).
    SetRecordCheck(bool clamp, bool english, std::string linePrefix = "")
        : clamp_(clamp), english_(english), linePrefix_(std::move(linePrefix)) {}

    // The step before the writes of "Set Parameters": the adaptation and the check. A value
    // the adaptation would reset is refused like one out of range; with clamp, the resets
    // and the panel's corrections are applied and each changed value printed on standard
    // output, and a record that still fails is refused.
    BeforeWrite Vet(const zelt::CMainApp& app, CtlController& controller);

    bool Refused() const { return !refusal_.empty(); }
    // Ends the command with status 2 and one line per offending field.
    [[noreturn]] void ThrowRefusal() const;

  private:
    bool clamp_;
    bool english_;
    std::string linePrefix_;
    std::vector<std::string> refusal_;
};

// What `set` would refuse on a controller of systemVoltage (after the same adaptation), as
// warning lines; the record itself is not changed.
std::vector<std::string> ImportWarnings(const zelt::CCfgDocument& record, int systemVoltage,
                                        bool english);

}  // namespace zeltctl
