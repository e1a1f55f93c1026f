#include "config/Settings.h"

#include <algorithm>
#include <optional>

#include "base/Trace.h"
#include "config/SettingsStore.h"

namespace zelt {

namespace {

const char* const kValueCfgPath = "Cfg Path";
const char* const kValueCfgFileName = "Cfg File Name";
const char* const kValueComPort = "COM Port";
const char* const kValueEnglish = "English";
const char* const kValueCommMode = "Communication Mode";
const char* const kValueRs485Id = "RS485 ID";

const char* const kDefaultCfgFileName = "ZELTUtility.cfg";
constexpr uint16_t kDefaultComPort = 1;
constexpr uint16_t kDefaultRs485Id = 250;

// The value as the 80-byte query buffer receives it: one larger than the buffer (terminator
// included) counts as missing; one that fills it exactly is read.
std::optional<std::string> QueryValue(const ISettingsStore& store, const char* name) {
    std::optional<std::string> value = store.Get(name);
    if (value && value->size() + 1 > kSettingsValueBufferSize) {
        return std::nullopt;
    }
    return value;
}

bool IsWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string TrimWhiteSpace(const std::string& text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && IsWhiteSpace(text[begin])) {
        ++begin;
    }
    while (end > begin && IsWhiteSpace(text[end - 1])) {
        --end;
    }
    return text.substr(begin, end - begin);
}

// One character: its value; two: tens and units. The characters are not checked for being
// digits, as the stored setting has always been read, but a result that no one or two digits
// give (" " is -16, "ab" is 540) counts as missing: written back as "%d" it would read as
// another port at the next start. A longer number ("123", "99999999999999999999") is no
// port either; it keeps its value (at most 65535) so that the commands refuse it as they
// refuse "45", instead of reaching COM1 unasked.
uint16_t ComPortFromText(const std::optional<std::string>& text) {
    if (text && text->size() > 2 && text->find_first_not_of("0123456789") == std::string::npos) {
        int port = 0;
        for (const char c : *text) {
            port = std::min(port * 10 + (c - '0'), 0xFFFF);
        }
        return static_cast<uint16_t>(port);
    }
    int port = -1;
    if (text && text->size() == 1) {
        port = (*text)[0] - '0';
    } else if (text && text->size() == 2) {
        port = 10 * ((*text)[0] - '0') + ((*text)[1] - '0');
    }
    return port >= 0 && port <= 99 ? static_cast<uint16_t>(port) : kDefaultComPort;
}

// "Cfg Path" as stored: without the separator the read appended when the value would not
// fit the query buffer with it.
std::string StoredCfgPath(const std::string& cfgPath) {
    if (cfgPath.size() + 1 > kSettingsValueBufferSize && !cfgPath.empty() &&
        cfgPath.back() == kCfgPathSeparator) {
        return cfgPath.substr(0, cfgPath.size() - 1);
    }
    return cfgPath;
}

// The decimal value of the leading digits, kept to 16 bits like the member that holds it.
uint16_t LeadingDecimal(const std::string& text) {
    uint32_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            break;
        }
        value = (value * 10 + static_cast<uint32_t>(c - '0')) & 0xFFFFu;
    }
    return static_cast<uint16_t>(value);
}

}  // namespace

void ApplySettings(CMainApp& app, const ISettingsStore& store) {
    app.cfgPath = TrimWhiteSpace(QueryValue(store, kValueCfgPath).value_or(DefaultCfgPath()));
    app.cfgFileName =
        TrimWhiteSpace(QueryValue(store, kValueCfgFileName).value_or(kDefaultCfgFileName));
    if (app.cfgPath.empty() || app.cfgPath.back() != kCfgPathSeparator) {
        app.cfgPath += kCfgPathSeparator;
    }
    app.cfgFullPath = app.cfgPath + app.cfgFileName;

    app.comPort = ComPortFromText(QueryValue(store, kValueComPort));

    const std::optional<std::string> rs485Id = QueryValue(store, kValueRs485Id);
    app.rs485Id = rs485Id ? LeadingDecimal(*rs485Id) : kDefaultRs485Id;

    const std::optional<std::string> english = QueryValue(store, kValueEnglish);
    if (english) {
        app.english = *english == "Yes" ? 1 : 0;
    }
    app.appTitle = CMainApp::AppTitle(app.english != 0);
}

bool StoreSettings(const CMainApp& app, ISettingsStore& store) {
    bool allStored = true;
    allStored &= store.Set(kValueCfgPath, StoredCfgPath(app.cfgPath));
    allStored &= store.Set(kValueCfgFileName, app.cfgFileName);
    allStored &= store.Set(kValueComPort, StrF("%d", app.comPort));
    allStored &= store.Set(kValueEnglish, app.english != 0 ? "Yes" : "No");
    allStored &= store.Set(kValueCommMode, app.commMode == kCommModeRs232 ? "RS232" : "RS485");
    allStored &= store.Set(kValueRs485Id, StrF("%d", app.rs485Id));
    return allStored;
}

}  // namespace zelt
