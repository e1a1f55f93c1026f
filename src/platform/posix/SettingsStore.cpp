#include "config/Settings.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "base/FileRead.h"
#include "base/Trace.h"
#include "config/FileReplace.h"
#include "config/RegFile.h"
#include "config/SettingsStore.h"

namespace zelt {

namespace {

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
    return HomeFolder() + "/ZELTUtilityCfg/";
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

    ApplySettings(app, key);
}

bool WriteSettings(const CMainApp& app, const std::string& path) {
    const FileReadResult file = ReadLimitedFile(path, kSettingsFileLimit);
    if (!file.ok()) {
        return false;  // the key cannot be opened: nothing is written
    }
    CRegFile key(file.bytes);
    key.EnsureKey();
    const bool allStored = StoreSettings(app, key);
    const std::string image = key.Text();
    const auto bytes = std::span(reinterpret_cast<const uint8_t*>(image.data()), image.size());
    if (ReplaceFileContents(path, bytes, ReadOnlyFile::Replace) != 0) {
        return false;
    }
    return allStored;
}

}  // namespace zelt
