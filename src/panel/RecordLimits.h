#pragma once
// What a record must hold before it is written to a controller: the panel's ranges at the
// controller's system voltage (FieldRules.h), each pair in its order (LVR over LVD, ACV over
// FCV, Low 1 over Low 2, Light OFF over Light ON, Max.Vout at least the panel's gap over
// Min.Vout), and what the wire can carry (brightness 0..100, a step duration in its 16-bit
// word, one-byte counts, at most eight sectors 0 <= start <= end <= 1440 that do not overlap,
// finite voltages). The remote level is not checked: "Set Parameters" does not send it.
//
// The panel never lets such values through its fields, but a file or a command line can hold
// anything: an LVD of 99 V would reach the controller as a wrapped 10-bit count.

#include <string>
#include <vector>

#include "config/CfgDocument.h"
#include "config/CfgRecord.h"

namespace zelt {

// One line per offending field, with its value and what is allowed, in English (true) or
// Chinese; empty when the record may be written. The ranges are those of systemVoltage (24:
// the 24 V column, anything else the 12 V one); a voltage is within its range when it is
// within the range's bounds as 32-bit floats, so a value clamped to a bound passes.
// With beforeAdaptation, a value that the 12 V / 24 V adaptation changed also names the value
// it had before; withOutcome adds what CorrectRecordLimits would make of it (", would become
// 13.5") or that it cannot mend it.
std::vector<std::string> CheckRecordLimits(const CCfgDocument& record, int systemVoltage,
                                           bool english,
                                           const CCfgDocument* beforeAdaptation = nullptr,
                                           bool withOutcome = false);

// Corrects the values outside the limits of CheckRecordLimits as the panel corrects a typed
// value: clamped into the range (a value that is no number takes its reset value; Light ON and
// OFF outside it take theirs), Low 2 not below Low 1 becomes Low 1 − 0.1, Min.Vout too close
// to Max.Vout moves away from it (then Max.Vout, if Min.Vout stops at its bound), Light OFF not
// above Light ON takes its reset value (then Light ON). Every value within its limits stays
// to the last bit, and nothing that is not checked changes. LVR over LVD and ACV over FCV,
// sectors and bytes are not mended: the caller checks again. Returns one line per
// changed value ("name: before -> after").
std::vector<std::string> CorrectRecordLimits(CCfgDocument& record, int systemVoltage, bool english);

// "fcvVoltage = 15.5: outside 13.0 to 15.0 at 12 V, would be reset to 13.6".
std::string ResetLine(const AdaptReset& reset, int systemVoltage, bool english);

// The one gate of every write to a controller ("Set Parameters" in the window, its exit
// question and zeltctl set). After the status read it adapts the record to the controller's
// system voltage, remembering what the adaptation replaced by a default; Problems names what must
// not be sent: every value the adaptation reset, and what CheckRecordLimits refuses (withOutcome:
// as it passes it on). Correct keeps the resets, applies CorrectRecordLimits and names each change.
class RecordGate {
  public:
    RecordGate(int systemVoltage, bool english)
        : systemVoltage_(systemVoltage), english_(english) {}

    // True when a table ran (systemVoltage 12 or 24): the views need the refresh step.
    bool Adapt(CCfgDocument& record);
    std::vector<std::string> Problems(const CCfgDocument& record, bool withOutcome = false) const;
    std::vector<std::string> Correct(CCfgDocument& record);
    // The record as it was handed to Adapt.
    const CCfgDocument& BeforeAdaptation() const { return before_; }

  private:
    int systemVoltage_;
    bool english_;
    CCfgDocument before_;
    std::vector<AdaptReset> resets_;
    bool resetsAccepted_ = false;
};

}  // namespace zelt
