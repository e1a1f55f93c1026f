#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "config/CfgDocument.h"
#include "link/Sequences.h"

namespace zeltctl {

// The configuration record as JSON: one key per field, named and ordered as the record's
// fields; `sectors` an array of {startMinute, endMinute, brightness}, `autoDuration` and
// `autoBrightness` arrays of eight, `reservedBytes` a string of 216 hexadecimal digits.
// Floats are the shortest decimal that reads back to the same single-precision value; a float
// that is not finite (only a damaged file holds one) is the string "NaN", "Infinity" or
// "-Infinity", which reads back (a NaN as the quiet NaN, whatever its payload was).
nlohmann::ordered_json RecordToJson(const zelt::CCfgDocument& record);

// After a read of the controller: null in place of each field (or array element) that an item
// which failed would have read, so that no start value passes for the controller's.
void NullUnreadFields(const zelt::SequenceOutcome& read, nlohmann::ordered_json& json);

// Sets the fields named in json (an object in the form above) on record. Fields whose key is
// absent keep their value in record; sectorCount always becomes the length of the sector
// list. An unknown key, a value of the wrong type or outside its field's range (the integer
// range of its type, a single-precision float or one of the three texts) makes the result false
// with a message naming the key in *error, and leaves record unchanged.
bool RecordFromJson(const nlohmann::json& json, zelt::CCfgDocument& record, std::string* error);

// RecordFromJson over the text of a JSON document. Never throws: text that is not JSON, or
// a number that no double holds (1e400), makes the result false with the reason in *error.
bool RecordFromJsonText(const std::string& text, zelt::CCfgDocument& record, std::string* error);

// RecordFromJsonText over a file read through the file reader (a regular file of at most
// kRecordFileLimit bytes). The message in *error begins with the path.
bool RecordFromJsonFile(const std::string& path, zelt::CCfgDocument& record, bool english,
                        std::string* error);

}  // namespace zeltctl
