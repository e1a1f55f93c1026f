#pragma once
// The parameter panel and the configuration record: the refresh that shows a record, the store
// that copies the panel back (the panel half of the collect step), and which controls are
// usable for the values shown.

#include "base/TimeOfDay.h"
#include "config/CfgDocument.h"
#include "panel/PanelFields.h"

namespace zelt {

// The record's values in the panel's terms, as they are: no rule applied.
PanelRecordValues PanelValuesOfRecord(const CCfgDocument& record);

// Copies the record into the panel values and sets the fieldText of every field the panel
// shows (the widget then writes each field's FieldText into its edit): voltages "%0.1f",
// brightness "%d%" (with its "%"), the rest "%d"; userTime goes into the clock fields. The
// battery type shows in the language given (codes other than 1 and 5 as Li-ion). No field counts as
// edited afterwards. The Remote Level field is never filled, and the mode codes do not come from
// the record.
void RefreshFromConfig(const CCfgDocument& record, bool english, const TimeOfDay& userTime,
                       PanelFields& fields);

// The panel half of the collect step: the panel values into the record, and the codes of the
// mode, lighting-time and battery-type texts. The sectors stay as they are.
void StoreToConfig(const PanelFields& fields, CCfgDocument& record);

// Enabled and visible states that follow from the panel values and the selected tab.
struct PanelControlStates {
    bool voutEnabled;          // Max.Vout and Min.Vout (1030, 1031) and their spins
    bool lowLevelBoxEnabled;   // the "On" check box (3308)
    bool lowLevelBoxChecked;   //
    bool advanceEditsEnabled;  // Low 1, Low 2 and both brightness edits with their spins
    bool basicVisible;         // LVR, LVD, FCV, ACV with labels and spins: tab "Basic"
    bool advanceVisible;       // the "On" box and the Low rows: tab "Advance"
    bool lightingTimeVisible;  // "Lighting Time:" and 1041: Manual mode only
};

// The PWM radios are display-only: with pwmEnabled the load limits and the "On" box are
// usable, and the Low rows follow the "On" box (lowLevelEnabled, set by OnLowLevelOn).
PanelControlStates ControlStates(const PanelFields& fields, int tabIndex);

}  // namespace zelt
