// The settings key: the value rules over the platform's store (a .reg file on Linux, the
// registry under wine), then the .reg file's own form: reading as start-up does, writing on
// exit, creating the key.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "base/FileRead.h"
#include "base/PathSeparator.h"
#include "config/RegFile.h"
#include "config/Settings.h"
#include "support/TestEnv.h"
#ifdef _WIN32
#include "Wide.h"  // windows.h, which sddl.h builds on
// after windows.h
#include <sddl.h>

#include "config/SettingsKey.h"
#else
#include <sys/resource.h>

#include <csignal>
#endif

namespace zelt {
namespace {

namespace fs = std::filesystem;
using testing::ReadText;
using testing::ScopedEnv;
using testing::ScratchFolder;
using testing::WriteText;
using Values = std::vector<std::pair<std::string, std::string>>;

const std::string kHead =
    "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\ZELT Utility "
    "Quorvel]\n";
const std::string S(1, kPathSeparator);

// What start-up read, one field after another.
std::string Summary(const CMainApp& app) {
    return "|com=" + std::to_string(app.comPort) + "|en=" + std::to_string(app.english) +
           (app.appTitle == CMainApp::AppTitle(app.english != 0) ? "" : "|wrong title") +
           "|id=" + std::to_string(app.rs485Id) + "|path=" + app.cfgPath +
           "|file=" + app.cfgFileName + "|full=" + app.cfgFullPath +
           "|mode=" + std::to_string(app.commMode) + "|";
}

#ifdef _WIN32
// A key of its own under HKEY_CURRENT_USER, removed again: the program's key stays untouched.
class ScratchKey {
  public:
    ~ScratchKey() { RegDeleteTreeW(HKEY_CURRENT_USER, sub_.c_str()); }
    std::string Path() const { return "HKEY_CURRENT_USER\\" + win32::Utf8(sub_); }
    // The key holding these REG_SZ values and no other.
    void Hold(const Values& values) {
        RegDeleteTreeW(HKEY_CURRENT_USER, sub_.c_str());
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, sub_.c_str(), 0, nullptr, 0, KEY_WRITE,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        for (const auto& [name, value] : values) {
            const std::wstring text = win32::Wide(value);
            RegSetValueExW(key, win32::Wide(name).c_str(), 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(text.c_str()),
                           static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
        }
        RegCloseKey(key);
    }

  private:
    std::wstring sub_ = L"Software\\ZELT Utility test " + std::to_wstring(GetCurrentProcessId());
};
#else
class ScratchKey {
  public:
    std::string Path() const { return file_; }
    void Hold(const Values& values) {
        CRegFile reg;
        for (const auto& [name, value] : values) {
            ASSERT_TRUE(reg.Set(name, value));
        }
        WriteText(file_, reg.Text());
    }

  private:
    ScratchFolder folder_;
    std::string file_ = folder_.File("settings.reg");
};
#endif

// The value rules, the same on every store.
class SettingsTest : public ::testing::Test {
  protected:
    CMainApp ReadWith(const Values& values) {
        key.Hold(values);
        CMainApp app;
        ReadSettings(app, key.Path());
        return app;
    }

    ScratchKey key;
    ScopedEnv home{"HOME", "/home/tech"};
};

TEST_F(SettingsTest, EachValueIsReadAsStartUpReadsIt) {
    const std::string home = DefaultCfgPath();
    EXPECT_EQ(Summary(ReadWith({})), "|com=1|en=1|id=250|path=" + home +
                                         "|file=ZELTUtility.cfg|full=" + home +
                                         "ZELTUtility.cfg|mode=232|");
    // A value whose stored size with its terminating zero exceeds 80 bytes counts as missing.
    const std::string long80(80, '1'), fits(79, 'f'), slashes(79, '\\');
    // clang-format off
    const std::tuple<const char*, std::string, std::string> cases[] = {
        {"COM Port", "7", "com=7|"}, {"COM Port", "12", "com=12|"}, {"COM Port", "40", "com=40|"},
        {"COM Port", "123", "com=123|"}, {"COM Port", "99999999999999999999", "com=65535|"},
        {"COM Port", "12a", "com=1|"}, {"COM Port", "", "com=1|"},
        {"English", "Yes", "en=1|"}, {"English", "yes", "en=0|"}, {"English", "Yes ", "en=0|"},
        {"English", "", "en=0|"}, {"English", long80, "en=1|"},
        {"Communication Mode", "RS485", "mode=232|"},  // every run starts in RS232
        {"RS485 ID", "abc", "id=0|"}, {"RS485 ID", "", "id=0|"}, {"RS485 ID", "17x", "id=17|"},
        {"RS485 ID", " 17", "id=0|"}, {"RS485 ID", "65537", "id=1|"}, {"RS485 ID", long80, "id=250|"},
        {"Cfg File Name", fits, "file=" + fits + "|"}, {"Cfg File Name", slashes, "file=" + slashes + "|"},
        {"Cfg File Name", fits + "f", "file=ZELTUtility.cfg|"},
        {"Cfg File Name", " Lamp 3.cfg ", "file=Lamp 3.cfg|"},
        {"Cfg Path", "  data" + S + "site cfg\t", "path=data" + S + "site cfg" + S + "|"},
        {"Cfg Path", "cfg" + S + " ", "path=cfg" + S + "|"}, {"Cfg Path", "   ", "path=" + S + "|"},
    };
    // clang-format on
    for (const auto& [name, value, expected] : cases) {
        const std::string read = Summary(ReadWith({{name, value}}));
        EXPECT_NE(read.find("|" + expected), std::string::npos)
            << name << "=" << value << ": " << read;
    }
    EXPECT_EQ(Summary(ReadWith({{"Cfg Path", "d"}, {"Cfg File Name", ""}})),
              "|com=1|en=1|id=250|path=d" + S + "|file=|full=d" + S + "|mode=232|");
}

TEST_F(SettingsTest, ASaveReadsBackAsTheStartUpRead) {
    const std::string path79 = S + std::string(78, 'p');
    const Values cases[] = {
        {{"COM Port", "ab"}},
        {{"COM Port", " "}},
        {{"COM Port", "-1"}},
        {{"Cfg Path", path79}},  // 79 characters, 80 with the separator
        {{"Cfg Path", path79 + S}, {"RS485 ID", "65537"}, {"English", "yes"}},
    };
    for (const Values& values : cases) {
        key.Hold(values);
        CMainApp first;
        ReadSettings(first, key.Path());
        ASSERT_TRUE(WriteSettings(first, key.Path())) << values[0].second;
        CMainApp again;
        ReadSettings(again, key.Path());
        EXPECT_EQ(Summary(again), Summary(first)) << values[0].second;
    }
    EXPECT_EQ(ReadWith({{"Cfg Path", path79}}).cfgPath, path79 + S);
}

TEST_F(SettingsTest, AMissingOrUnreadableValueKeepsWhatWasThere) {
    CMainApp app;
    app.comPort = 9;
    app.commMode = kCommModeRs485;
    ReadSettings(app, key.Path() + S + "missing");  // the key cannot be read
    EXPECT_EQ(Summary(app), "|com=9|en=1|id=0|path=|file=|full=|mode=232|");
    key.Hold({});
    app.english = 0;
    ReadSettings(app, key.Path());
    EXPECT_EQ(app.english, 0u);
    EXPECT_EQ(app.appTitle, CMainApp::AppTitle(false));
}

#ifdef _WIN32
// When this user may not write the machine key, the settings live in the per-user key of the
// same name, which reads the machine key's values as its defaults. Wine lets every user write
// HKEY_LOCAL_MACHINE: here the machine key's access list allows only reading.
TEST(SettingsKeyTest, AMachineKeyThatCannotBeWrittenLeavesThemToThePerUserKey) {
    const std::wstring sub =
        L"Software\\ZELT Utility denied " + std::to_wstring(GetCurrentProcessId());
    const std::string machinePath = "HKEY_LOCAL_MACHINE\\" + win32::Utf8(sub);
    const std::string userPath = "HKEY_CURRENT_USER\\" + win32::Utf8(sub);
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, sub.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const wchar_t port[] = L"7";
    RegSetValueExW(key, L"COM Port", 0, REG_SZ, reinterpret_cast<const BYTE*>(port), sizeof port);
    RegCloseKey(key);
    auto restrict = [&](const wchar_t* access) {  // the owner may always change the list
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        ConvertStringSecurityDescriptorToSecurityDescriptorW(access, SDDL_REVISION_1, &descriptor,
                                                             nullptr);
        HKEY owned = nullptr;
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, sub.c_str(), 0, WRITE_DAC, &owned);
        RegSetKeySecurity(owned, DACL_SECURITY_INFORMATION, descriptor);
        LocalFree(descriptor);
        RegCloseKey(owned);
    };
    restrict(L"D:P(A;;KR;;;WD)");  // everyone may read, no one write
    const std::string chosen = WritableSettingsKey(machinePath, userPath);
    CMainApp app;
    if (chosen == userPath && EnsureSettingsKey(userPath, nullptr)) {
        ReadSettings(app, userPath);
        app.english = 0;
        EXPECT_TRUE(WriteSettings(app, userPath));
    }
    restrict(L"D:P(A;;KA;;;WD)");
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, sub.c_str());
    if (chosen == machinePath) {
        GTEST_SKIP() << "wine let this user open for writing a key whose access list allows "
                        "only reading: the fallback cannot be shown here";
    }
    CMainApp back;
    ReadSettings(back, userPath);
    RegDeleteTreeW(HKEY_CURRENT_USER, sub.c_str());
    EXPECT_EQ(chosen, userPath);
    EXPECT_EQ(app.comPort, 7);    // the machine key's value
    EXPECT_EQ(back.english, 0u);  // the user's own
}
#else
// The .reg file's own form.
class RegFileTest : public ::testing::Test {
  protected:
    // Reads a file holding the header and the given value lines into a fresh object.
    CMainApp ReadWith(const std::string& valueLines) {
        WriteText(file, kHead + valueLines);
        CMainApp app;
        ReadSettings(app, file);
        return app;
    }

    ScratchFolder folder;
    std::string file = folder.File("settings.reg");
    ScopedEnv home{"HOME", "/home/tech"};
};

TEST_F(RegFileTest, EscapesUnknownLinesCaseAndLineEnds) {
    const CMainApp app = ReadWith(
        "; a comment\n"
        "\"Cfg Path\"=\"/data/\\\"q\\\"\\\\x\"\n"
        "\"COM Port\"=dword:00000005\n"  // not a string value
        "\"RS485 ID\"=\"bad\\nescape\"\n"
        "garbage line\n"
        "\"English\"=\"No\"   trailing\n"
        "\"Cfg File Name\" = \"spaced.cfg\"\n"
        "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\n"
        "\"COM Port\"=\"33\"\n");
    EXPECT_EQ(Summary(app),
              "|com=1|en=1|id=250|path=/data/\"q\"\\x/|file=spaced.cfg|"
              "full=/data/\"q\"\\x/spaced.cfg|mode=232|");

    WriteText(file,
              "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n\r\n"
              "[hkey_local_machine\\software\\zelt utility quorvel]\r\n"
              "\"com port\"=\"3\"\r\n\"COM Port\"=\"4\"\r\n\"English\"=\"No\"\r\n");
    CMainApp crlf;
    ReadSettings(crlf, file);
    EXPECT_EQ(crlf.comPort, 4);  // the last line wins
    EXPECT_EQ(crlf.english, 0u);
}

TEST_F(RegFileTest, LineEndsAndRepeatsReadBackAsTheStartUpRead) {
    const std::string bodies[] = {
        "\"COM Port\"=\"1\"\n\"COM Port\"=\"3\"\r\r\n\"English\"=\"No\"\r\r\n",  // CR CR LF
        "\"COM Port\"=\"5\"\r\"English\"=\"No\"\n\"RS485 ID\"=\"7\"\r",          // lone CRs
        "\"COM Port\"=\"6\" \t\r\n\"Cfg Path\"=\" /d \"  \n",                    // trailing blanks
        "\"com port\"=\"2\"\n\"COM PORT\"=\"4\"\n\"Cfg File Name\"=\"a\"\n\"cfg file "
        "name\"=\"b\"\n",
    };
    std::vector<std::string> files;
    for (const std::string& body : bodies) {
        files.push_back(kHead + body);
    }
    files.push_back("\xEF\xBB\xBF\xEF\xBB\xBF\"English\"=\"No\"\n");  // two byte order marks
    for (const std::string& text : files) {
        WriteText(file, text);
        CMainApp first;
        ReadSettings(first, file);
        ASSERT_TRUE(WriteSettings(first, file)) << text;
        CMainApp again;
        ReadSettings(again, file);
        EXPECT_EQ(Summary(again), Summary(first)) << text;
    }
    EXPECT_EQ(ReadWith("\"COM Port\"=\"1\"\n\"COM Port\"=\"3\"\r\r\n").comPort, 3);
}

TEST_F(RegFileTest, AnEmptyKeylessOrOversizedFileReadsAsMissingAndSaysSo) {
    const std::string defaults = Summary(ReadWith(""));
    const std::pair<std::string, std::string> files[] = {
        {"", "empty, read as missing"},  // a start killed before the header was written
        {"\n \n", "no key, read as missing"},
        {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\n\"COM Port\"=\"9\"\n", "no key, read as missing"},
        {std::string(kSettingsFileLimit + 1, ';'), "larger than this kind of file can be"},
    };
    for (const auto& [text, traced] : files) {
        WriteText(file, text);
        CMainApp app;
        CaptureTraceSink trace;
        ReadSettings(app, file, &trace);
        const bool readable = text.size() <= kSettingsFileLimit;
        CMainApp untouched;  // an oversized file is not read: the members stay as they were
        untouched.commMode = kCommModeRs232;
        EXPECT_EQ(Summary(app), readable ? defaults : Summary(untouched)) << text.substr(0, 40);
        ASSERT_EQ(trace.lines.size(), 1u) << text.substr(0, 40);
        EXPECT_NE(trace.lines[0].find(traced), std::string::npos) << trace.lines[0];
        app.comPort = 7;
        ASSERT_EQ(WriteSettings(app, file), readable);  // an oversized file stays as it is
        if (readable) {                                 // the whole form
            EXPECT_EQ(ReadText(file).rfind("Windows Registry Editor Version 5.00\n", 0), 0u);
            CMainApp back;
            ReadSettings(back, file, &trace);
            EXPECT_EQ(back.comPort, 7);
            EXPECT_EQ(trace.lines.size(), 1u);
        }
    }
}

TEST_F(RegFileTest, WriteFormsReadBackKeepOtherLinesModeAndLink) {
    WriteText(file, kHead +
                        "; kept\n\"COM Port\"=\"3\"\n\"Installer\"=\"v2\"\n\n"
                        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\n\"COM Port\"=\"9\"\n");
    CMainApp app;
    app.cfgPath = "/data/\"cfg\"\\x/";
    app.cfgFileName = "Site 4.cfg";
    app.comPort = 12;
    app.english = 0;
    app.commMode = kCommModeRs485;
    app.rs485Id = 7;
    ASSERT_TRUE(WriteSettings(app, file));
    EXPECT_EQ(ReadText(file), kHead +
                                  "; kept\n\"COM Port\"=\"12\"\n\"Installer\"=\"v2\"\n"
                                  "\"Cfg Path\"=\"/data/\\\"cfg\\\"\\\\x/\"\n"
                                  "\"Cfg File Name\"=\"Site 4.cfg\"\n"
                                  "\"English\"=\"No\"\n"
                                  "\"Communication Mode\"=\"RS485\"\n"
                                  "\"RS485 ID\"=\"7\"\n\n"
                                  "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\n\"COM Port\"=\"9\"\n");
    CMainApp back;
    ReadSettings(back, file);
    EXPECT_EQ(Summary(back),
              "|com=12|en=0|id=7|path=/data/\"cfg\"\\x/|file=Site 4.cfg|"
              "full=/data/\"cfg\"\\x/Site 4.cfg|mode=232|");

    // Through a link: the link and the file's mode stay.
    const fs::path real = folder.path / "real.reg";
    fs::rename(file, real);
    fs::permissions(real, fs::perms(0640));
    fs::create_symlink(real, file);
    app.english = 1;
    app.commMode = kCommModeRs232;
    ASSERT_TRUE(WriteSettings(app, file));
    EXPECT_TRUE(fs::is_symlink(file));
    EXPECT_EQ(fs::status(real).permissions() & fs::perms::all, fs::perms(0640));
    EXPECT_NE(ReadText(real).find("\"English\"=\"Yes\"\n\"Communication Mode\"=\"RS232\"\n"),
              std::string::npos);
}

TEST_F(RegFileTest, AFailedWriteLeavesTheOldFile) {
    const std::string old = kHead + "\"Cfg File Name\"=\"old.cfg\"\n";
    CMainApp app;
    app.comPort = 8;
    EXPECT_FALSE(WriteSettings(app, file));  // no key to write to
    EXPECT_FALSE(fs::exists(file));
    WriteText(file, old);

    // A file-size limit makes the temporary file's write fail, for root as well.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit tiny = saved;
    tiny.rlim_cur = 16;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tiny), 0);
    const bool written = WriteSettings(app, file);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(written);
    EXPECT_EQ(ReadText(file), old);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path), {}), 1) << "temporary file left";

    // A line break cannot be stored: that value keeps its text, the others are written.
    app.cfgFileName = "two\nlines.cfg";
    EXPECT_FALSE(WriteSettings(app, file));
    CMainApp back;
    ReadSettings(back, file);
    EXPECT_EQ(back.cfgFileName, "old.cfg");
    EXPECT_EQ(back.comPort, 8);
}

TEST_F(RegFileTest, EnsureCreatesFolderAndHeaderOnceOrSaysWhyNotAndSetAddsTheKey) {
    const fs::path nested = folder.path / "a" / "b c" / "settings.reg";
    std::string error;
    ASSERT_TRUE(EnsureSettingsKey(nested.string(), &error)) << error;
    EXPECT_EQ(ReadText(nested), kHead);
    WriteText(nested, kHead + "\"COM Port\"=\"4\"\n");
    ASSERT_TRUE(EnsureSettingsKey(nested.string(), &error)) << error;
    EXPECT_EQ(ReadText(nested), kHead + "\"COM Port\"=\"4\"\n");  // an existing key stays

    const fs::path blocker = folder.path / "plain-file";
    WriteText(blocker, "x");
    EXPECT_FALSE(EnsureSettingsKey((blocker / "sub" / "settings.reg").string(), &error));
    EXPECT_NE(error.find("plain-file"), std::string::npos) << error;
    EXPECT_EQ(ReadText(blocker), "x");
    error.clear();
    fs::create_directory(file);  // the key's name taken by a folder
    EXPECT_FALSE(EnsureSettingsKey(file, &error));
    EXPECT_FALSE(error.empty());

    // A file with the header but not the key gets the key on the first value set.
    CRegFile headerOnly("Windows Registry Editor Version 5.00\n");
    ASSERT_TRUE(headerOnly.Set("COM Port", "2"));
    EXPECT_EQ(headerOnly.Text(), kHead + "\"COM Port\"=\"2\"\n");
    EXPECT_EQ(CRegFile(headerOnly.Text()).Get("com port"), "2");
}

#endif

}  // namespace
}  // namespace zelt
