#include "RecordJson.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <type_traits>

#include "base/FileRead.h"
#include "base/Trace.h"

namespace zeltctl {

using zelt::CCfgDocument;
using zelt::CTimeSectorData;

namespace {

// Calls visit(name, field) for every field of the record, in declaration order.
template <class Record, class Visitor>
void VisitRecordFields(Record& r, Visitor&& visit) {
    visit("fileMagic", r.fileMagic);
    visit("fileVersion", r.fileVersion);
    visit("fileChecksum", r.fileChecksum);
    visit("windowLeft", r.windowLeft);
    visit("windowTop", r.windowTop);
    visit("windowRight", r.windowRight);
    visit("windowBottom", r.windowBottom);
    visit("reservedWord", r.reservedWord);
    visit("sectorCount", r.sectorCount);
    visit("sectors", r.sectors);
    visit("vMode", r.vMode);
    visit("lvrVoltage", r.lvrVoltage);
    visit("lvdVoltage", r.lvdVoltage);
    visit("fcvVoltage", r.fcvVoltage);
    visit("acvVoltage", r.acvVoltage);
    visit("lowLevelEnabled", r.lowLevelEnabled);
    visit("low1Voltage", r.low1Voltage);
    visit("low2Voltage", r.low2Voltage);
    visit("low1Brightness", r.low1Brightness);
    visit("low2Brightness", r.low2Brightness);
    visit("ochtTime", r.ochtTime);
    visit("tempCompensation", r.tempCompensation);
    visit("pwmEnabled", r.pwmEnabled);
    visit("maxVout", r.maxVout);
    visit("minVout", r.minVout);
    visit("lightOnVoltage", r.lightOnVoltage);
    visit("lightOffVoltage", r.lightOffVoltage);
    visit("operatingMode", r.operatingMode);
    visit("lightingTime", r.lightingTime);
    visit("remoteLevel", r.remoteLevel);
    visit("remoteLevelEnabled", r.remoteLevelEnabled);
    visit("dtTime", r.dtTime);
    visit("autoDuration", r.autoDuration);
    visit("autoBrightness", r.autoBrightness);
    visit("batteryType", r.batteryType);
    visit("reservedBytes", r.reservedBytes);
}

template <class Sector, class Visitor>
void VisitSectorFields(Sector& s, Visitor&& visit) {
    visit("startMinute", s.startMinute);
    visit("endMinute", s.endMinute);
    visit("brightness", s.brightness);
}

using ReservedBytes = std::array<uint8_t, CCfgDocument::kReservedBytes>;
using AutoSteps = std::array<int32_t, CCfgDocument::kAutoSteps>;

// JSON has no number for these; the texts are those of JavaScript.
constexpr const char* kNaNText = "NaN";
constexpr const char* kInfinityText = "Infinity";
constexpr const char* kMinusInfinityText = "-Infinity";

// The shortest decimal of the float, as a double that prints as that decimal and converts
// back to the same float.
nlohmann::ordered_json FloatToJson(float value) {
    if (std::isnan(value)) {
        return kNaNText;
    }
    if (std::isinf(value)) {
        return value > 0 ? kInfinityText : kMinusInfinityText;
    }
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text - 1, value).ptr;
    *end = '\0';
    const double shortest = std::strtod(text, nullptr);
    if (static_cast<float>(shortest) != value) {
        return static_cast<double>(value);
    }
    return shortest;
}

std::string HexOf(const ReservedBytes& bytes) {
    std::string hex;
    for (const uint8_t b : bytes) {
        hex += zelt::StrF("%02X", b);
    }
    return hex;
}

struct ToJson {
    nlohmann::ordered_json& out;

    template <class Int>
    requires std::is_integral_v<Int>
    void operator()(const char* key, const Int& value) { out[key] = value; }
    void operator()(const char* key, const float& value) { out[key] = FloatToJson(value); }
    void operator()(const char* key, const std::vector<CTimeSectorData>& sectors) {
        auto list = nlohmann::ordered_json::array();
        for (const auto& sector : sectors) {
            auto item = nlohmann::ordered_json::object();
            VisitSectorFields(sector, ToJson{item});
            list.push_back(item);
        }
        out[key] = list;
    }
    void operator()(const char* key, const AutoSteps& steps) {
        out[key] = nlohmann::ordered_json(steps);
    }
    void operator()(const char* key, const ReservedBytes& bytes) { out[key] = HexOf(bytes); }
};

// Reads the fields present in one JSON object; the first problem ends the reading.
class FromJson {
  public:
    FromJson(const nlohmann::json& object, std::string prefix, std::string* error)
        : object_(object), prefix_(std::move(prefix)), error_(error) {}

    bool failed() const { return failed_; }

    template <class Int>
    requires std::is_integral_v<Int>
    void operator()(const char* key, Int& field) {
        const nlohmann::json* value = Find(key);
        if (value == nullptr) {
            return;
        }
        ReadInteger(Name(key), *value, field);
    }

    void operator()(const char* key, float& field) {
        const nlohmann::json* value = Find(key);
        if (value == nullptr) {
            return;
        }
        if (value->is_string()) {
            const auto& text = value->get_ref<const std::string&>();
            if (text == kNaNText) {
                field = std::numeric_limits<float>::quiet_NaN();
            } else if (text == kInfinityText || text == kMinusInfinityText) {
                const float infinity = std::numeric_limits<float>::infinity();
                field = text == kInfinityText ? infinity : -infinity;
            } else {
                Fail(Name(key), "expected a number, \"NaN\", \"Infinity\" or \"-Infinity\"");
            }
            return;
        }
        if (!value->is_number()) {
            Fail(Name(key), "expected a number, \"NaN\", \"Infinity\" or \"-Infinity\"");
            return;
        }
        const double number = value->get<double>();
        const auto single = static_cast<float>(number);
        if (!std::isfinite(number) || !std::isfinite(single)) {
            Fail(Name(key), "the value is outside the range of a single-precision float");
            return;
        }
        field = single;
    }

    void operator()(const char* key, std::vector<CTimeSectorData>& sectors) {
        const nlohmann::json* value = Find(key);
        if (value == nullptr) {
            return;
        }
        if (!value->is_array()) {
            Fail(Name(key), "expected an array of sectors");
            return;
        }
        std::vector<CTimeSectorData> read;
        for (std::size_t i = 0; i < value->size() && !failed_; ++i) {
            const std::string itemName = Name(key) + zelt::StrF("[%zu]", i);
            const nlohmann::json& item = (*value)[i];
            if (!item.is_object()) {
                Fail(itemName, "expected an object with startMinute, endMinute, brightness");
                return;
            }
            CTimeSectorData sector;
            FromJson reader(item, itemName + ".", error_);
            VisitSectorFields(sector, reader);
            reader.RejectUnknownKeys([](auto&& visit) {
                CTimeSectorData probe;
                VisitSectorFields(probe, visit);
            });
            failed_ = reader.failed();
            read.push_back(sector);
        }
        if (!failed_) {
            sectors = std::move(read);
        }
    }

    void operator()(const char* key, AutoSteps& steps) {
        const nlohmann::json* value = Find(key);
        if (value == nullptr) {
            return;
        }
        if (!value->is_array() || value->size() != steps.size()) {
            Fail(Name(key), zelt::StrF("expected an array of %zu integers", steps.size()));
            return;
        }
        AutoSteps read{};
        for (std::size_t i = 0; i < steps.size() && !failed_; ++i) {
            ReadInteger(Name(key) + zelt::StrF("[%zu]", i), (*value)[i], read[i]);
        }
        if (!failed_) {
            steps = read;
        }
    }

    void operator()(const char* key, ReservedBytes& bytes) {
        const nlohmann::json* value = Find(key);
        if (value == nullptr) {
            return;
        }
        const std::string wanted =
            zelt::StrF("expected a string of %zu hexadecimal digits", 2 * bytes.size());
        if (!value->is_string()) {
            Fail(Name(key), wanted);
            return;
        }
        const auto& hex = value->get_ref<const std::string&>();
        if (hex.size() != 2 * bytes.size()) {
            Fail(Name(key), wanted);
            return;
        }
        ReservedBytes read{};
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            const char* first = hex.data() + 2 * i;
            unsigned byte = 0;
            const auto [end, ec] = std::from_chars(first, first + 2, byte, 16);
            if (ec != std::errc() || end != first + 2) {
                Fail(Name(key), wanted);
                return;
            }
            read[i] = static_cast<uint8_t>(byte);
        }
        bytes = read;
    }

    // Fails on the first key of the object that the field list does not name.
    template <class FieldList>
    void RejectUnknownKeys(FieldList&& fieldList) {
        if (failed_) {
            return;
        }
        for (const auto& item : object_.items()) {
            const std::string& key = item.key();  // a lambda may not capture a binding
            bool known = false;
            fieldList([&](const char* name, auto&) { known = known || key == name; });
            if (!known) {
                Fail(prefix_ + key, "unknown key");
                return;
            }
        }
    }

  private:
    const nlohmann::json* Find(const char* key) const {
        if (failed_) {
            return nullptr;
        }
        const auto it = object_.find(key);
        return it == object_.end() ? nullptr : &*it;
    }

    std::string Name(const char* key) const { return prefix_ + key; }

    template <class Int>
    void ReadInteger(const std::string& name, const nlohmann::json& value, Int& field) {
        using Limits = std::numeric_limits<Int>;
        // Compared in the widest types so that every 64-bit value is judged correctly.
        bool inRange = false;
        if (value.is_number_unsigned()) {
            inRange = value.get<uint64_t>() <= static_cast<uint64_t>(Limits::max());
        } else if (value.is_number_integer()) {
            const int64_t number = value.get<int64_t>();
            inRange = number >= static_cast<int64_t>(Limits::min()) &&
                      (number < 0 ||
                       static_cast<uint64_t>(number) <= static_cast<uint64_t>(Limits::max()));
        } else {
            Fail(name, "expected an integer");
            return;
        }
        if (!inRange) {
            Fail(name, zelt::StrF("%s is outside %lld..%llu", value.dump().c_str(),
                                  static_cast<long long>(Limits::min()),
                                  static_cast<unsigned long long>(Limits::max())));
            return;
        }
        field = value.is_number_unsigned() ? static_cast<Int>(value.get<uint64_t>())
                                           : static_cast<Int>(value.get<int64_t>());
    }

    void Fail(const std::string& name, const std::string& problem) {
        if (!failed_ && error_ != nullptr) {
            *error_ = "key \"" + name + "\": " + problem;
        }
        failed_ = true;
    }

    const nlohmann::json& object_;
    std::string prefix_;
    std::string* error_;
    bool failed_ = false;
};

}  // namespace

nlohmann::ordered_json RecordToJson(const CCfgDocument& record) {
    auto json = nlohmann::ordered_json::object();
    VisitRecordFields(record, ToJson{json});
    return json;
}

void NullUnreadFields(const zelt::SequenceOutcome& read, nlohmann::ordered_json& json) {
    using S = zelt::SequenceStep;
    for (size_t n = 0; n < read.items.size(); ++n) {
        if (n < read.ok.size() && read.ok[n]) {
            continue;
        }
        const zelt::SequenceItem& item = read.items[n];
        std::vector<const char*> keys;
        switch (item.step) {
            case S::Version:
                keys = {"batteryType"};
                break;
            case S::VoltForLoad:
                keys = {"maxVout", "minVout"};
                break;
            case S::Schedule:
                keys = {"sectorCount", "sectors"};  // the schedule is one picture
                break;
            case S::Duration:
                json["autoDuration"][static_cast<size_t>(item.index)] = nullptr;
                json["autoBrightness"][static_cast<size_t>(item.index)] = nullptr;
                break;
            case S::FcvAcvOchtTc:
                keys = {"fcvVoltage", "acvVoltage", "ochtTime", "tempCompensation"};
                break;
            case S::LvdrPvOnOffDt:
                keys = {"lightOnVoltage", "lightOffVoltage", "lvdVoltage", "lvrVoltage", "dtTime"};
                break;
            case S::VModePwmFlag:
                keys = {"vMode", "pwmEnabled"};
                break;
            case S::AdvanceBattPara:
                keys = {"lowLevelEnabled", "low1Voltage", "low1Brightness", "low2Voltage",
                        "low2Brightness"};
                break;
            default:  // items that read no field of the record
                break;
        }
        for (const char* key : keys) {
            json[key] = nullptr;
        }
    }
}

bool RecordFromJson(const nlohmann::json& json, CCfgDocument& record, std::string* error) {
    if (!json.is_object()) {
        if (error != nullptr) {
            *error = "expected a JSON object with the fields of the record";
        }
        return false;
    }
    CCfgDocument read = record;
    FromJson reader(json, "", error);
    VisitRecordFields(read, reader);
    reader.RejectUnknownKeys([](auto&& visit) {
        CCfgDocument probe;
        VisitRecordFields(probe, visit);
    });
    if (reader.failed()) {
        return false;
    }
    read.sectorCount = static_cast<int32_t>(read.sectors.size());
    record = std::move(read);
    return true;
}

bool RecordFromJsonText(const std::string& text, CCfgDocument& record, std::string* error) {
    try {
        return RecordFromJson(nlohmann::json::parse(text), record, error);
    } catch (const nlohmann::json::exception& e) {
        if (error != nullptr) {
            *error = std::string("not valid JSON: ") + e.what();
        }
        return false;
    }
}

bool RecordFromJsonFile(const std::string& path, CCfgDocument& record, bool english,
                        std::string* error) {
    const zelt::FileReadResult file = zelt::ReadLimitedFile(path, zelt::kRecordFileLimit);
    std::string problem;
    if (!file.ok()) {
        problem = zelt::FileReadProblemText(file, english);
    } else if (RecordFromJsonText(file.bytes, record, &problem)) {
        return true;
    }
    if (error != nullptr) {
        *error = path + ": " + problem;
    }
    return false;
}

}  // namespace zeltctl
