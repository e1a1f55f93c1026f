#pragma once
// The parameter panel's field editing without a window: the typing filter, the leave-field
// validation, the spin steps and the commit of every field before "Set Parameters".
//
// The widget hands in the text its edit holds and writes back the text an outcome carries
// (select all, replace). Texts the widget writes itself must not run FilterOnTyping again
// (Qt's textEdited is only raised by the user): the rules keep fieldText in step.
//
// Usage:
//   PanelRules rules(fields, values.userTime);   // the panel values (PanelValues.h)
//   on a user edit:   Apply(rules.FilterOnTyping(id, edit.text()));
//   on focus out:     Apply(rules.ValidateOnLeave(id, edit.text(), app.systemVoltage));
//   on a spin click:  Apply(rules.StepOnSpin(spinId, delta, edit.text(), app.systemVoltage));
// where Apply writes outcome.text when it is set, and clears the saved flags when
// outcome.markModified is set and the edit has the keyboard focus.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/TimeOfDay.h"
#include "panel/PanelFields.h"

namespace zelt {

struct EditOutcome {
    // The text to write into the edit; unset when the edit keeps what it shows.
    std::optional<std::string> text;
    // The user changed the configuration, if the edit has the keyboard focus.
    bool markModified = false;
};

// Reading an edit: at most its first 9 characters (the panel's 10-byte buffer).
std::string ReadFieldText(std::string_view text);
// atof as the panel uses it: leading blanks, a sign, digits with one ".", the rest ignored; a
// text that does not start with a number reads 0. Exponents, "inf" and "nan" are not numbers
// here: no value typed into a field can become infinite or NaN.
double ParseVolts(std::string_view text);
// atoi: leading blanks, a sign and digits.
int ParseInteger(std::string_view text);

class PanelRules {
  public:
    // Both references must outlive the object; userTime is the hour, minute and second
    // typed into the clock fields (PanelValues::userTime).
    PanelRules(PanelFields& fields, TimeOfDay& userTime) : fields_(fields), userTime_(userTime) {}

    // EN_CHANGE of a field the user can reach. Fields without a typing filter are ignored.
    EditOutcome FilterOnTyping(int fieldId, std::string_view text);
    // EN_KILLFOCUS: parse, clamp, pair rules, brightness rounding.
    EditOutcome ValidateOnLeave(int fieldId, std::string_view text, int systemVoltage);
    // The spin button spinId was clicked: positionChange −1 (upper arrow) steps up, +1 down.
    // text is what the spin's edit holds; it is validated first.
    EditOutcome StepOnSpin(int spinId, int positionChange, std::string_view text,
                           int systemVoltage);

    // Whether leaving the field validates it: a field the user edited since the last refresh,
    // and the clock fields (not record values). An untouched field keeps its value as it is.
    bool ValidatesOnLeave(int fieldId) const;
    // The text a field shows for its value, as a refresh or a correction writes it.
    std::string ShownText(int fieldId);

  private:
    EditOutcome LeaveVoltage(int fieldId, std::string_view text, int systemVoltage);
    EditOutcome LeaveBrightness(int fieldId, std::string_view text);
    EditOutcome LeaveInteger(int fieldId, std::string_view text, int systemVoltage);
    bool SpinAllowed(int fieldId, bool up, int systemVoltage) const;
    // Writes value in the field's format into fieldText and the outcome.
    void Show(int fieldId, EditOutcome& outcome);
    int* IntOf(int fieldId);
    float* FloatOf(int fieldId);

    PanelFields& fields_;
    TimeOfDay& userTime_;
};

// The panel's order of validation: LVR ... Remote Level, then each step column's duration and
// brightness.
std::vector<int> CommitOrder();

}  // namespace zelt
