#pragma once
// The check of a record before `set` writes it to a controller, and the warnings of
// `cfg import`: the panel's limits at the controller's system voltage and what the wire can
// carry (panel/RecordLimits.h).

#include <string>
#include <vector>

#include "CtlHost.h"
#include "config/CfgDocument.h"
#include "link/Sequences.h"

namespace zeltctl {

class SetRecordCheck {
  public:
    // asLoaded: the record as the file holds it, before the 12 V / 24 V adaptation.
    SetRecordCheck(const zelt::CCfgDocument& asLoaded, bool clamp, bool english)
        : asLoaded_(asLoaded), clamp_(clamp), english_(english) {}

    // The vet for "Set Parameters": with clamp, the panel's corrections are applied and each
    // changed value printed on standard output; a record that still fails is refused.
    zelt::RecordVet Vet(const zelt::CMainApp& app, CtlHost& host);

    bool Refused() const { return !refusal_.empty(); }
    // Ends the command with status 2 and one line per offending field.
    [[noreturn]] void ThrowRefusal() const;

  private:
    zelt::CCfgDocument asLoaded_;
    bool clamp_;
    bool english_;
    std::vector<std::string> refusal_;
};

// What `set` would refuse on a controller of systemVoltage (after the same adaptation), as
// warning lines; the record itself is not changed.
std::vector<std::string> ImportWarnings(const zelt::CCfgDocument& record, int systemVoltage,
                                        bool english);

}  // namespace zeltctl
