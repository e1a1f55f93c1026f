#pragma once
// Which record values "Get Parameters" could not read. Such a value is still the one the
// record held before (the built-in default, when nothing ever gave it), so the panel shows it
// as unknown and a Set asks before writing it.

#include <string>
#include <vector>

#include "link/Sequences.h"
#include "panel/PanelValues.h"

namespace zelt {

// The record values one read item gives, by name ("fcvVoltage", "autoDuration[3]",
// "sectors[2]"); none for the items that read no record value (version, status, clock...).
std::vector<std::string> ValuesReadBy(const SequenceItem& item);

// The end of a Get that ran to its end: the values of failed items become unread, those of
// the items read are read (and known from then on).
void NoteReadOutcome(const SequenceOutcome& outcome, PanelValues& values);

// How the panel shows a value: as it is, greyed (unread now, read by an earlier Get), or blank
// (never read: what it holds is no reading).
enum class ValueShown { Plain, Greyed, Blank };
ValueShown ShownAs(const PanelValues& values, const std::string& name);

// The question before a Set that would write unread values, one name a line; empty when
// there are none.
std::string UnreadQuestion(const PanelValues& values, bool english);

}  // namespace zelt
