#include "config/Settings.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "base/FileRead.h"
#include "base/Trace.h"
#include "config/FileReplace.h"
#include "config/RegFile.h"

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

std::string NonEmptyEnv(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

std::string HomeFolder() {
    std::string home = NonEmptyEnv("HOME");
    if (!home.empty()) {
        return home;
    }
    const passwd* entry = getpwuid(getuid());
    return (entry != nullptr && entry->pw_dir != nullptr) ? std::string(entry->pw_dir) : "";
}

std::string ParentFolder(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string ErrnoText(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

// mkdir -p, for the settings folder.
bool MakeFolders(const std::string& folder, std::string* error) {
    struct stat info {};
    if (stat(folder.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) {
            return true;
        }
        errno = ENOTDIR;
        *error = ErrnoText(folder);
        return false;
    }
    if (errno != ENOENT) {
        *error = ErrnoText(folder);
        return false;
    }
    const std::string parent = ParentFolder(folder);
    if (parent != folder && !MakeFolders(parent, error)) {
        return false;
    }
    if (mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST) {
        *error = ErrnoText(folder);
        return false;
    }
    return true;
}

bool WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// The value as the 80-byte query buffer receives it: one larger than the buffer (terminator
// included) counts as missing; one that fills it exactly is read.
std::optional<std::string> QueryValue(const CRegFile& key, const char* name) {
    std::optional<std::string> value = key.Get(name);
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

std::string SettingsFilePath() {
    const std::string explicitPath = NonEmptyEnv("ZELT_SETTINGS");
    if (!explicitPath.empty()) {
        return explicitPath;
    }
    std::string base = NonEmptyEnv("XDG_CONFIG_HOME");
    if (base.empty() || base[0] != '/') {  // relative values are to be ignored
        base = HomeFolder() + "/.config";
    }
    return base + "/ZELT Utility Quorvel/settings.reg";
}

std::string DefaultCfgPath() {
#ifdef _WIN32
    return "C:\\ZELTUtilityCfg\\";
#else
    return HomeFolder() + "/ZELTUtilityCfg/";
#endif
}

bool EnsureSettingsKey(const std::string& path, std::string* error) {
    std::string scratch;
    if (error == nullptr) {
        error = &scratch;
    }
    if (path.empty()) {
        *error = "no settings file";
        return false;
    }
    if (!MakeFolders(ParentFolder(path), error)) {
        return false;
    }
    const int created = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (created >= 0) {
        const bool written = WriteAll(created, CRegFile().Text());
        if (close(created) != 0 || !written) {
            *error = ErrnoText(path);
            unlink(path.c_str());
            return false;
        }
        return true;
    }
    if (errno != EEXIST) {
        *error = ErrnoText(path);
        return false;
    }
    // The key exists: it must be a settings file, and open with full access.
    const FileReadResult existing = ReadLimitedFile(path, kSettingsFileLimit);
    if (!existing.ok()) {
        *error = path + ": " + FileReadProblemText(existing, true);
        return false;
    }
    const int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        *error = ErrnoText(path);
        return false;
    }
    close(fd);
    return true;
}

void ReadSettings(CMainApp& app, const std::string& path, ITraceSink* trace) {
    // Every run starts in RS232 mode; RS485 is chosen again in the link dialog.
    app.commMode = kCommModeRs232;

    NullTraceSink silent;
    ITraceSink& sink = trace != nullptr ? *trace : silent;
    const FileReadResult file = ReadLimitedFile(path, kSettingsFileLimit);
    if (!file.ok()) {
        TraceF(sink, "Settings %s: %s\n", path.c_str(), FileReadProblemText(file, true).c_str());
        return;
    }
    const CRegFile key(file.bytes);
    // A start killed before the header was written leaves an empty file: it holds no value,
    // as a missing key does, and the next save writes the whole form.
    if (!key.HasKey()) {
        TraceF(sink, "Settings %s: %s, read as missing: defaults, rewritten at the next save\n",
               path.c_str(), file.bytes.empty() ? "empty" : "no key");
    }

    app.cfgPath = TrimWhiteSpace(QueryValue(key, kValueCfgPath).value_or(DefaultCfgPath()));
    app.cfgFileName =
        TrimWhiteSpace(QueryValue(key, kValueCfgFileName).value_or(kDefaultCfgFileName));
    if (app.cfgPath.empty() || app.cfgPath.back() != kCfgPathSeparator) {
        app.cfgPath += kCfgPathSeparator;
    }
    app.cfgFullPath = app.cfgPath + app.cfgFileName;

    app.comPort = ComPortFromText(QueryValue(key, kValueComPort));

    const std::optional<std::string> rs485Id = QueryValue(key, kValueRs485Id);
    app.rs485Id = rs485Id ? LeadingDecimal(*rs485Id) : kDefaultRs485Id;

    const std::optional<std::string> english = QueryValue(key, kValueEnglish);
    if (english) {
        app.english = *english == "Yes" ? 1 : 0;
    }
    app.appTitle = CMainApp::AppTitle(app.english != 0);
}

bool WriteSettings(const CMainApp& app, const std::string& path) {
    const FileReadResult file = ReadLimitedFile(path, kSettingsFileLimit);
    if (!file.ok()) {
        return false;  // the key cannot be opened: nothing is written
    }
    CRegFile key(file.bytes);
    key.EnsureKey();
    bool allStored = true;
    allStored &= key.Set(kValueCfgPath, StoredCfgPath(app.cfgPath));
    allStored &= key.Set(kValueCfgFileName, app.cfgFileName);
    allStored &= key.Set(kValueComPort, StrF("%d", app.comPort));
    allStored &= key.Set(kValueEnglish, app.english != 0 ? "Yes" : "No");
    allStored &= key.Set(kValueCommMode, app.commMode == kCommModeRs232 ? "RS232" : "RS485");
    allStored &= key.Set(kValueRs485Id, StrF("%d", app.rs485Id));
    const std::string image = key.Text();
    const auto bytes = std::span(reinterpret_cast<const uint8_t*>(image.data()), image.size());
    if (ReplaceFileContents(path, bytes, ReadOnlyFile::Replace) != 0) {
        return false;
    }
    return allStored;
}

}  // namespace zelt
