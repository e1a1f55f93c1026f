// The JSON record import: any text either sets the record or leaves it as it was with a
// message (never an exception), and an imported record exports and imports back to itself.
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>

#include "FuzzCheck.h"
#include "RecordJson.h"
#include "config/CfgFile.h"

using zelt::fuzzing::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The text as the tool reads it, with the parser's exceptions on: none may escape.
    const std::string text(reinterpret_cast<const char*>(data), size);
    zelt::CCfgDocument record;
    const std::vector<uint8_t> before = zelt::EncodeCfg(record);
    std::string error;
    if (!zeltctl::RecordFromJsonText(text, record, &error)) {
        Check(!error.empty());
        Check(zelt::EncodeCfg(record) == before);
        return 0;
    }
    Check(record.sectorCount == static_cast<int32_t>(record.sectors.size()));

    const nlohmann::json exported = zeltctl::RecordToJson(record);
    zelt::CCfgDocument again;
    Check(zeltctl::RecordFromJson(exported, again, &error));
    Check(zelt::EncodeCfg(again) == zelt::EncodeCfg(record));
    return 0;
}
