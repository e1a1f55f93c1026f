// The settings key as a file: reading as start-up does, writing on exit, creating the key.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "config/RegFile.h"
#include "config/Settings.h"

namespace zelt {
namespace {

namespace fs = std::filesystem;

// Sets (or unsets, with nullopt) an environment variable for the scope of a test.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        Apply(value);
    }
    ~ScopedEnv() { Apply(old_); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    void Apply(const std::optional<std::string>& value) {
        if (value) {
            setenv(name_.c_str(), value->c_str(), 1);
        } else {
            unsetenv(name_.c_str());
        }
    }
    std::string name_;
    std::optional<std::string> old_;
};

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteText(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

const std::string kHead =
    "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\ZELT Utility "
    "Quorvel]\n";

class SettingsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/zelt-settings-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        file_ = dir_ / "settings.reg";
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Reads a file holding the header and the given value lines into a fresh object.
    CMainApp ReadWith(const std::string& valueLines) {
        WriteText(file_, kHead + valueLines);
        CMainApp app;
        ReadSettings(app, file_.string());
        return app;
    }

    fs::path dir_;
    fs::path file_;
    ScopedEnv home_{"HOME", "/home/tech"};
};

TEST_F(SettingsTest, ComPortTakesOneOrTwoCharactersOnly) {
    EXPECT_EQ(ReadWith("\"COM Port\"=\"7\"\n").comPort, 7);
    EXPECT_EQ(ReadWith("\"COM Port\"=\"12\"\n").comPort, 12);
    EXPECT_EQ(ReadWith("\"COM Port\"=\"40\"\n").comPort, 40);
    EXPECT_EQ(ReadWith("\"COM Port\"=\"123\"\n").comPort, 1);
    EXPECT_EQ(ReadWith("\"COM Port\"=\"\"\n").comPort, 1);
    EXPECT_EQ(ReadWith("").comPort, 1);
}

TEST_F(SettingsTest, EnglishOnlyForExactYes) {
    const CMainApp yes = ReadWith("\"English\"=\"Yes\"\n");
    EXPECT_EQ(yes.english, 1u);
    EXPECT_EQ(yes.appTitle, CMainApp::AppTitle(true));

    const CMainApp lower = ReadWith("\"English\"=\"yes\"\n");
    EXPECT_EQ(lower.english, 0u);
    EXPECT_EQ(lower.appTitle, CMainApp::AppTitle(false));
    EXPECT_EQ(ReadWith("\"English\"=\"Yes \"\n").english, 0u);
    EXPECT_EQ(ReadWith("\"English\"=\"\"\n").english, 0u);

    // Missing: the flag keeps what it had.
    WriteText(file_, kHead);
    CMainApp chinese;
    chinese.english = 0;
    ReadSettings(chinese, file_.string());
    EXPECT_EQ(chinese.english, 0u);
    EXPECT_EQ(chinese.appTitle, CMainApp::AppTitle(false));
    EXPECT_EQ(ReadWith("").english, 1u);
}

TEST_F(SettingsTest, EveryRunStartsInRs232) {
    EXPECT_EQ(ReadWith("\"Communication Mode\"=\"RS485\"\n").commMode, kCommModeRs232);

    // Even when the key cannot be read (here: the path is a folder), while the rest stays.
    CMainApp app;
    app.commMode = kCommModeRs485;
    app.comPort = 9;
    ReadSettings(app, dir_.string());
    EXPECT_EQ(app.commMode, kCommModeRs232);
    EXPECT_EQ(app.comPort, 9);
    EXPECT_EQ(app.rs485Id, 0);
    EXPECT_EQ(app.cfgPath, "");
}

TEST_F(SettingsTest, CfgPathIsTrimmedAndEndsInSeparator) {
    const CMainApp app =
        ReadWith("\"Cfg Path\"=\"  /data/site cfg\t\"\n\"Cfg File Name\"=\" Lamp 3.cfg \"\n");
    EXPECT_EQ(app.cfgPath, "/data/site cfg/");
    EXPECT_EQ(app.cfgFileName, "Lamp 3.cfg");
    EXPECT_EQ(app.cfgFullPath, "/data/site cfg/Lamp 3.cfg");

    EXPECT_EQ(ReadWith("\"Cfg Path\"=\"/data/cfg/ \"\n").cfgPath, "/data/cfg/");

    const CMainApp empty = ReadWith("\"Cfg Path\"=\"   \"\n\"Cfg File Name\"=\"\"\n");
    EXPECT_EQ(empty.cfgPath, "/");
    EXPECT_EQ(empty.cfgFileName, "");
    EXPECT_EQ(empty.cfgFullPath, "/");

    const CMainApp defaults = ReadWith("");
    EXPECT_EQ(defaults.cfgPath, "/home/tech/ZELTUtilityCfg/");
    EXPECT_EQ(defaults.cfgFileName, "ZELTUtility.cfg");
    EXPECT_EQ(defaults.cfgFullPath, "/home/tech/ZELTUtilityCfg/ZELTUtility.cfg");
}

TEST_F(SettingsTest, Rs485IdFromLeadingDigits) {
    EXPECT_EQ(ReadWith("").rs485Id, 250);
    EXPECT_EQ(ReadWith("\"RS485 ID\"=\"abc\"\n").rs485Id, 0);
    EXPECT_EQ(ReadWith("\"RS485 ID\"=\"\"\n").rs485Id, 0);
    EXPECT_EQ(ReadWith("\"RS485 ID\"=\"17x\"\n").rs485Id, 17);
    EXPECT_EQ(ReadWith("\"RS485 ID\"=\" 17\"\n").rs485Id, 0);
    EXPECT_EQ(ReadWith("\"RS485 ID\"=\"65537\"\n").rs485Id, 1);  // kept to 16 bits
}

TEST_F(SettingsTest, ValueLargerThanTheEightyByteBufferCountsAsMissing) {
    const std::string fits(79, 'f');  // 80 bytes with the terminating zero: fills the buffer
    const std::string tooLong(80, 'f');
    EXPECT_EQ(ReadWith("\"Cfg File Name\"=\"" + fits + "\"\n").cfgFileName, fits);
    EXPECT_EQ(ReadWith("\"Cfg File Name\"=\"" + tooLong + "\"\n").cfgFileName, "ZELTUtility.cfg");
    EXPECT_EQ(ReadWith("\"RS485 ID\"=\"" + std::string(80, '1') + "\"\n").rs485Id, 250);
    EXPECT_EQ(ReadWith("\"English\"=\"" + std::string(80, 'N') + "\"\n").english, 1u);
    // Escapes count once: the stored value is what the buffer receives.
    const std::string slashes(79, '\\');
    std::string escaped;
    for (size_t i = 0; i < slashes.size(); ++i) {
        escaped += "\\\\";
    }
    EXPECT_EQ(ReadWith("\"Cfg File Name\"=\"" + escaped + "\"\n").cfgFileName, slashes);
}

TEST_F(SettingsTest, EscapesAndUnknownLines) {
    const CMainApp app = ReadWith(
        "; a comment\n"
        "\"Cfg Path\"=\"/data/\\\"q\\\"\\\\x\"\n"
        "\"COM Port\"=dword:00000005\n"
        "\"RS485 ID\"=\"bad\\nescape\"\n"
        "garbage line\n"
        "\"English\"=\"No\"   trailing\n"
        "\"Cfg File Name\" = \"spaced.cfg\"\n"
        "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\n"
        "\"COM Port\"=\"33\"\n");
    EXPECT_EQ(app.cfgPath, "/data/\"q\"\\x/");
    EXPECT_EQ(app.cfgFileName, "spaced.cfg");
    EXPECT_EQ(app.comPort, 1);    // neither the dword nor the other key's value
    EXPECT_EQ(app.rs485Id, 250);  // \n is no escape of this form
    EXPECT_EQ(app.english, 1u);   // not a value line: missing
}

TEST_F(SettingsTest, NamesIgnoreCaseLastLineWinsAndWindowsLineEnds) {
    WriteText(file_,
              "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n\r\n"
              "[hkey_local_machine\\software\\zelt utility quorvel]\r\n"
              "\"com port\"=\"3\"\r\n\"COM Port\"=\"4\"\r\n\"English\"=\"No\"\r\n");
    CMainApp app;
    ReadSettings(app, file_.string());
    EXPECT_EQ(app.comPort, 4);
    EXPECT_EQ(app.english, 0u);
}

TEST_F(SettingsTest, WriteFormsAndReadBack) {
    WriteText(file_, kHead);
    CMainApp app;
    app.cfgPath = "/data/\"cfg\"\\x/";
    app.cfgFileName = "Site 4.cfg";
    app.comPort = 12;
    app.english = 0;
    app.commMode = kCommModeRs485;
    app.rs485Id = 7;
    ASSERT_TRUE(WriteSettings(app, file_.string()));
    EXPECT_EQ(ReadText(file_), kHead +
                                   "\"Cfg Path\"=\"/data/\\\"cfg\\\"\\\\x/\"\n"
                                   "\"Cfg File Name\"=\"Site 4.cfg\"\n"
                                   "\"COM Port\"=\"12\"\n"
                                   "\"English\"=\"No\"\n"
                                   "\"Communication Mode\"=\"RS485\"\n"
                                   "\"RS485 ID\"=\"7\"\n");

    CMainApp back;
    ReadSettings(back, file_.string());
    EXPECT_EQ(back.cfgPath, app.cfgPath);
    EXPECT_EQ(back.cfgFileName, app.cfgFileName);
    EXPECT_EQ(back.comPort, 12);
    EXPECT_EQ(back.english, 0u);
    EXPECT_EQ(back.commMode, kCommModeRs232);
    EXPECT_EQ(back.rs485Id, 7);

    app.english = 1;
    app.commMode = kCommModeRs232;
    ASSERT_TRUE(WriteSettings(app, file_.string()));
    const std::string text = ReadText(file_);
    EXPECT_NE(text.find("\"English\"=\"Yes\"\n"), std::string::npos);
    EXPECT_NE(text.find("\"Communication Mode\"=\"RS232\"\n"), std::string::npos);
}

TEST_F(SettingsTest, WriteKeepsOtherLinesAndReplacesInPlace) {
    WriteText(file_, kHead +
                         "; kept\n\"COM Port\"=\"3\"\n\"Installer\"=\"v2\"\n\n"
                         "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\n\"COM Port\"=\"9\"\n");
    CMainApp app;
    app.comPort = 5;
    ASSERT_TRUE(WriteSettings(app, file_.string()));
    const std::string text = ReadText(file_);
    EXPECT_EQ(text.rfind(kHead + "; kept\n\"COM Port\"=\"5\"\n\"Installer\"=\"v2\"\n", 0), 0u)
        << text;
    EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\n\"COM Port\"=\"9\"\n"),
              std::string::npos);
    // New values went into the settings key, before the other section.
    EXPECT_LT(text.find("\"RS485 ID\""), text.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]"));
    CMainApp back;
    ReadSettings(back, file_.string());
    EXPECT_EQ(back.comPort, 5);
}

TEST_F(SettingsTest, WriteNeedsAnExistingKey) {
    CMainApp app;
    EXPECT_FALSE(WriteSettings(app, file_.string()));
    EXPECT_FALSE(fs::exists(file_));
}

TEST_F(SettingsTest, FailedWriteLeavesTheOldFile) {
    const std::string old = kHead + "\"COM Port\"=\"3\"\n";
    WriteText(file_, old);
    CMainApp app;
    app.comPort = 8;

    // A file-size limit makes the temporary file's write fail, for root as well.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit tiny = saved;
    tiny.rlim_cur = 16;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tiny), 0);
    const bool written = WriteSettings(app, file_.string());
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(written);
    EXPECT_EQ(ReadText(file_), old);
    int entries = 0;
    for (const auto& entry : fs::directory_iterator(dir_)) {
        (void)entry;
        ++entries;
    }
    EXPECT_EQ(entries, 1) << "the temporary file was left behind";
}

TEST_F(SettingsTest, WriteKeepsModeAndLink) {
    const fs::path real = dir_ / "real.reg";
    WriteText(real, kHead);
    fs::permissions(real, fs::perms(0640));
    fs::create_symlink(real, file_);
    CMainApp app;
    app.comPort = 21;
    ASSERT_TRUE(WriteSettings(app, file_.string()));
    EXPECT_TRUE(fs::is_symlink(file_));
    EXPECT_EQ(fs::status(real).permissions() & fs::perms::all, fs::perms(0640));
    CMainApp back;
    ReadSettings(back, file_.string());
    EXPECT_EQ(back.comPort, 21);
}

TEST_F(SettingsTest, ValueWithLineBreakIsNotStoredButOthersAre) {
    WriteText(file_, kHead + "\"Cfg File Name\"=\"old.cfg\"\n");
    CMainApp app;
    app.cfgFileName = "two\nlines.cfg";
    app.comPort = 6;
    EXPECT_FALSE(WriteSettings(app, file_.string()));
    CMainApp back;
    ReadSettings(back, file_.string());
    EXPECT_EQ(back.cfgFileName, "old.cfg");
    EXPECT_EQ(back.comPort, 6);
}

TEST_F(SettingsTest, EnsureCreatesFolderAndHeaderOnce) {
    const fs::path nested = dir_ / "a" / "b c" / "settings.reg";
    std::string error;
    ASSERT_TRUE(EnsureSettingsKey(nested.string(), &error)) << error;
    EXPECT_EQ(ReadText(nested), kHead);
    CMainApp fresh;
    ReadSettings(fresh, nested.string());
    EXPECT_EQ(fresh.rs485Id, 250);  // read with every default

    // An existing key is left as it is.
    WriteText(nested, kHead + "\"COM Port\"=\"4\"\n");
    ASSERT_TRUE(EnsureSettingsKey(nested.string(), &error)) << error;
    EXPECT_EQ(ReadText(nested), kHead + "\"COM Port\"=\"4\"\n");
}

TEST_F(SettingsTest, EnsureFailsWhereNoKeyCanBe) {
    const fs::path blocker = dir_ / "plain-file";
    WriteText(blocker, "x");
    std::string error;
    EXPECT_FALSE(EnsureSettingsKey((blocker / "sub" / "settings.reg").string(), &error));
    EXPECT_NE(error.find("plain-file"), std::string::npos) << error;
    EXPECT_EQ(ReadText(blocker), "x");

    error.clear();
    fs::create_directory(file_);  // the key's name taken by a folder
    EXPECT_FALSE(EnsureSettingsKey(file_.string(), &error));
    EXPECT_FALSE(error.empty());
}

TEST_F(SettingsTest, FilePathFromEnvironment) {
    {
        ScopedEnv explicitFile("ZELT_SETTINGS", "/srv/zelt.reg");
        EXPECT_EQ(SettingsFilePath(), "/srv/zelt.reg");
    }
    ScopedEnv noExplicit("ZELT_SETTINGS", std::nullopt);
    {
        ScopedEnv xdg("XDG_CONFIG_HOME", "/cfg");
        EXPECT_EQ(SettingsFilePath(), "/cfg/ZELT Utility Quorvel/settings.reg");
    }
    ScopedEnv noXdg("XDG_CONFIG_HOME", std::nullopt);
    EXPECT_EQ(SettingsFilePath(), "/home/tech/.config/ZELT Utility Quorvel/settings.reg");
}

TEST(RegFileTest, SetAddsTheKeyWhenTheFileHasNone) {
    CRegFile file("Windows Registry Editor Version 5.00\n");
    ASSERT_TRUE(file.Set("COM Port", "2"));
    EXPECT_EQ(file.Text(), kHead + "\"COM Port\"=\"2\"\n");
    EXPECT_EQ(CRegFile(file.Text()).Get("com port"), "2");
}

}  // namespace
}  // namespace zelt
