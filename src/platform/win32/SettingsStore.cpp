#include <windows.h>

#include <cstdlib>
#include <vector>

#include "Wide.h"
#include "base/Trace.h"
#include "config/Settings.h"
#include "config/SettingsKey.h"
#include "config/SettingsStore.h"

namespace zelt {

namespace {

constexpr char kMachineKeyPath[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\ZELT Utility Quorvel";
constexpr char kUserKeyPath[] = "HKEY_CURRENT_USER\\Software\\ZELT Utility Quorvel";

struct KeyName {
    HKEY root = nullptr;
    std::wstring subKey;
};

// "HKEY_LOCAL_MACHINE\..." or "HKEY_CURRENT_USER\..." (or HKLM\, HKCU\); no root otherwise.
KeyName ParseKeyPath(const std::string& path) {
    const struct {
        const char* prefix;
        HKEY root;
    } roots[] = {{"HKEY_LOCAL_MACHINE\\", HKEY_LOCAL_MACHINE},
                 {"HKLM\\", HKEY_LOCAL_MACHINE},
                 {"HKEY_CURRENT_USER\\", HKEY_CURRENT_USER},
                 {"HKCU\\", HKEY_CURRENT_USER}};
    for (const auto& candidate : roots) {
        const std::string prefix = candidate.prefix;
        if (path.size() > prefix.size() &&
            _strnicmp(path.c_str(), prefix.c_str(), prefix.size()) == 0) {
            return KeyName{candidate.root, win32::Wide(path.substr(prefix.size()))};
        }
    }
    return {};
}

std::string ErrorText(const std::string& path, LONG err) {
    const char* what = err == ERROR_ACCESS_DENIED    ? "access denied"
                       : err == ERROR_FILE_NOT_FOUND ? "no such key"
                                                     : "cannot be opened";
    return StrF("%s: %s (Windows error %ld)", path.c_str(), what, err);
}

// An open key, closed with the object.
class CKey {
  public:
    CKey() = default;
    ~CKey() {
        if (key_ != nullptr) {
            RegCloseKey(key_);
        }
    }
    CKey(const CKey&) = delete;
    CKey& operator=(const CKey&) = delete;

    LONG Open(const std::string& path, REGSAM access, bool create) {
        const KeyName name = ParseKeyPath(path);
        if (name.root == nullptr) {
            return ERROR_INVALID_NAME;
        }
        return create ? RegCreateKeyExW(name.root, name.subKey.c_str(), 0, nullptr, 0, access,
                                        nullptr, &key_, nullptr)
                      : RegOpenKeyExW(name.root, name.subKey.c_str(), 0, access, &key_);
    }
    HKEY Get() const { return key_; }

  private:
    HKEY key_ = nullptr;
};

// The settings key's REG_SZ values. A fallback key (HKLM's, for the per-user key) answers
// for the values the key itself does not hold.
class CRegistryStore final : public ISettingsStore {
  public:
    CRegistryStore(HKEY key, HKEY fallback) : key_(key), fallback_(fallback) {}

    std::optional<std::string> Get(const std::string& name) const override {
        std::optional<std::string> value = Query(key_, name);
        if (!value && fallback_ != nullptr) {
            value = Query(fallback_, name);
        }
        return value;
    }

    bool Set(const std::string& name, const std::string& value) override {
        const std::wstring wide = win32::Wide(value);
        const auto bytes = static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t));
        return RegSetValueExW(key_, win32::Wide(name).c_str(), 0, REG_SZ,
                              reinterpret_cast<const BYTE*>(wide.c_str()), bytes) == ERROR_SUCCESS;
    }

  private:
    // A value that is not REG_SZ (or REG_EXPAND_SZ) is read as missing, as a wrong type would
    // fail the string query.
    static std::optional<std::string> Query(HKEY key, const std::string& name) {
        const std::wstring wideName = win32::Wide(name);
        DWORD type = 0;
        DWORD size = 0;
        if (RegQueryValueExW(key, wideName.c_str(), nullptr, &type, nullptr, &size) !=
                ERROR_SUCCESS ||
            (type != REG_SZ && type != REG_EXPAND_SZ)) {
            return std::nullopt;
        }
        std::vector<wchar_t> text(size / sizeof(wchar_t) + 1, L'\0');
        if (RegQueryValueExW(key, wideName.c_str(), nullptr, &type,
                             reinterpret_cast<BYTE*>(text.data()), &size) != ERROR_SUCCESS) {
            return std::nullopt;
        }
        size_t length = size / sizeof(wchar_t);
        while (length > 0 && text[length - 1] == L'\0') {
            --length;  // the stored terminator, when there is one
        }
        return win32::Utf8(text.data(), length);
    }

    HKEY key_;
    HKEY fallback_;
};

// The machine key of the same name, read-only, when path is a per-user key.
LONG OpenFallback(const std::string& path, CKey& fallback) {
    const KeyName name = ParseKeyPath(path);
    if (name.root != HKEY_CURRENT_USER) {
        return ERROR_FILE_NOT_FOUND;
    }
    return fallback.Open("HKEY_LOCAL_MACHINE\\" + win32::Utf8(name.subKey), KEY_READ, false);
}

}  // namespace

std::string WritableSettingsKey(const std::string& machineKey, const std::string& userKey) {
    CKey machine;
    return machine.Open(machineKey, KEY_READ | KEY_WRITE, true) == ERROR_SUCCESS ? machineKey
                                                                                 : userKey;
}

// $ZELT_SETTINGS (a key path) when set; else HKLM's key or the per-user one.
std::string SettingsFilePath() {
    const char* explicitPath = std::getenv("ZELT_SETTINGS");
    if (explicitPath != nullptr && explicitPath[0] != '\0') {
        return explicitPath;
    }
    return WritableSettingsKey(kMachineKeyPath, kUserKeyPath);
}

std::string DefaultCfgPath() {
    return "C:\\ZELTUtilityCfg\\";
}

bool EnsureSettingsKey(const std::string& path, std::string* error) {
    CKey key;
    const LONG result = key.Open(path, KEY_READ | KEY_WRITE, true);
    if (result != ERROR_SUCCESS) {
        if (error != nullptr) {
            *error = ErrorText(path, result);
        }
        return false;
    }
    return true;
}

void ReadSettings(CMainApp& app, const std::string& path, ITraceSink* trace) {
    app.commMode = kCommModeRs232;
    NullTraceSink silent;
    ITraceSink& sink = trace != nullptr ? *trace : silent;
    CKey key;
    const LONG result = key.Open(path, KEY_READ, false);
    if (result != ERROR_SUCCESS) {
        TraceF(sink, "Settings %s\n", ErrorText(path, result).c_str());
        return;
    }
    CKey fallback;
    const bool withFallback = OpenFallback(path, fallback) == ERROR_SUCCESS;
    ApplySettings(app, CRegistryStore(key.Get(), withFallback ? fallback.Get() : nullptr));
}

bool WriteSettings(const CMainApp& app, const std::string& path) {
    CKey key;
    if (key.Open(path, KEY_READ | KEY_WRITE, false) != ERROR_SUCCESS) {
        return false;
    }
    CRegistryStore store(key.Get(), nullptr);
    return StoreSettings(app, store);
}

}  // namespace zelt
