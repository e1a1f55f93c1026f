#pragma once
// zeltctl's side of the record check (panel/RecordLimits.h's RecordGate): what `set` prints
// and refuses, and the warnings of `cfg import`.

#include <string>
#include <vector>

#include "Controller.h"
#include "config/CfgDocument.h"

namespace zeltctl {

// The record check's answers from the command line: with clamp, the adaptation's resets and
// the panel's corrections are applied and each changed value printed on standard output;
// without, a record that fails the check is refused.
class SetRecordCheck : public zelt::ISetHost {
  public:
    // linePrefix begins every printed line ("ID 5: " on a bus).
    SetRecordCheck(bool clamp, CtlProgress& progress, std::string linePrefix = "")
        : clamp_(clamp), progress_(progress), linePrefix_(std::move(linePrefix)) {}

    bool CorrectAndSend(const std::vector<std::string>& problems) override;
    void Corrected(const std::vector<std::string>& changes) override;

    // Ends the command with status 2 and one line per offending field.
    [[noreturn]] void ThrowRefusal(const std::vector<std::string>& problems) const;

  private:
    bool clamp_;
    CtlProgress& progress_;
    std::string linePrefix_;
};

// What `set` would refuse on a controller of systemVoltage (after the same adaptation), as
// warning lines; the record itself is not changed.
std::vector<std::string> ImportWarnings(const zelt::CCfgDocument& record, int systemVoltage,
                                        bool english);

}  // namespace zeltctl
