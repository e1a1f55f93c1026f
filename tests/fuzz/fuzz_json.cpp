// The JSON record import: any text either sets the record or leaves it as it was with a
// message, and an imported record exports and imports back to itself.
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>

#include "FuzzCheck.h"
#include "RecordJson.h"
#include "config/CfgFile.h"

using zelt::fuzzing::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const nlohmann::json json = nlohmann::json::parse(data, data + size, nullptr, false);
    if (json.is_discarded()) {
        return 0;
    }
    zelt::CCfgDocument record;
    const std::vector<uint8_t> before = zelt::EncodeCfg(record);
    std::string error;
    if (!zeltctl::RecordFromJson(json, record, &error)) {
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
