// The settings key as a file: reading as start-up does, writing on exit, creating the key.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "base/FileRead.h"
#include "config/RegFile.h"
#include "config/Settings.h"
#include "support/TestEnv.h"

namespace zelt {
namespace {

namespace fs = std::filesystem;
using testing::ReadText;
using testing::ScopedEnv;
using testing::ScratchFolder;
using testing::WriteText;

const std::string kHead =
    "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\ZELT Utility "
    "Quorvel]\n";

// What start-up read, one field after another.
std::string Summary(const CMainApp& app) {
    return "|com=" + std::to_string(app.comPort) + "|en=" + std::to_string(app.english) +
           (app.appTitle == CMainApp::AppTitle(app.english != 0) ? "" : "|wrong title") +
           "|id=" + std::to_string(app.rs485Id) + "|path=" + app.cfgPath +
           "|file=" + app.cfgFileName + "|full=" + app.cfgFullPath +
           "|mode=" + std::to_string(app.commMode) + "|";
}

class SettingsTest : public ::testing::Test {
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

TEST_F(SettingsTest, EachValueIsReadAsStartUpReadsIt) {
    EXPECT_EQ(Summary(ReadWith("")),
              "|com=1|en=1|id=250|path=/home/tech/ZELTUtilityCfg/|file=ZELTUtility.cfg|"
              "full=/home/tech/ZELTUtilityCfg/ZELTUtility.cfg|mode=232|");
    // A value whose stored size with its terminating zero exceeds 80 bytes counts as missing;
    // escapes count once, as the buffer receives the stored value.
    const std::string long80(80, '1'), fits(79, 'f'), slashes(79, '\\');
    std::string escaped;
    for (const char c : slashes)
        escaped += std::string("\\") + c;
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
        {"Cfg File Name", fits, "file=" + fits + "|"}, {"Cfg File Name", escaped, "file=" + slashes + "|"},
        {"Cfg File Name", fits + "f", "file=ZELTUtility.cfg|"},
        {"Cfg File Name", " Lamp 3.cfg ", "file=Lamp 3.cfg|"},
        {"Cfg Path", "  /data/site cfg\t", "path=/data/site cfg/|"},
        {"Cfg Path", "/data/cfg/ ", "path=/data/cfg/|"}, {"Cfg Path", "   ", "path=/|"},
    };
    // clang-format on
    for (const auto& [name, value, expected] : cases) {
        const std::string read =
            Summary(ReadWith("\"" + std::string(name) + "\"=\"" + value + "\"\n"));
        EXPECT_NE(read.find("|" + expected), std::string::npos)
            << name << "=" << value << ": " << read;
    }
    EXPECT_EQ(Summary(ReadWith("\"Cfg Path\"=\"/d\"\n\"Cfg File Name\"=\"\"\n")),
              "|com=1|en=1|id=250|path=/d/|file=|full=/d/|mode=232|");
}

TEST_F(SettingsTest, EscapesUnknownLinesCaseAndLineEnds) {
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

TEST_F(SettingsTest, ASaveReadsBackAsTheStartUpRead) {
    const std::string path79 = "/" + std::string(78, 'p');
    const std::string bodies[] = {
        "\"COM Port\"=\"1\"\n\"COM Port\"=\"3\"\r\r\n\"English\"=\"No\"\r\r\n",  // CR CR LF
        "\"COM Port\"=\"5\"\r\"English\"=\"No\"\n\"RS485 ID\"=\"7\"\r",          // lone CRs
        "\"COM Port\"=\"6\" \t\r\n\"Cfg Path\"=\" /d \"  \n",                    // trailing blanks
        "\"com port\"=\"2\"\n\"COM PORT\"=\"4\"\n\"Cfg File Name\"=\"a\"\n\"cfg file "
        "name\"=\"b\"\n",
        "\"COM Port\"=\"ab\"\n",
        "\"COM Port\"=\" \"\n",
        "\"COM Port\"=\"-1\"\n",
        "\"Cfg Path\"=\"" + path79 + "\"\n",  // 79 characters, 80 with the separator
        "\"Cfg Path\"=\"" + path79 + "/\"\n\"RS485 ID\"=\"65537\"\n\"English\"=\"yes\"",
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
    EXPECT_EQ(ReadWith("\"Cfg Path\"=\"" + path79 + "\"\n").cfgPath, path79 + "/");
    EXPECT_EQ(ReadWith("\"COM Port\"=\"1\"\n\"COM Port\"=\"3\"\r\r\n").comPort, 3);
}

TEST_F(SettingsTest, AMissingOrUnreadableValueKeepsWhatWasThere) {
    CMainApp app;
    app.comPort = 9;
    app.commMode = kCommModeRs485;
    ReadSettings(app, folder.path.string());  // a folder: the key cannot be read
    EXPECT_EQ(Summary(app), "|com=9|en=1|id=0|path=|file=|full=|mode=232|");
    WriteText(file, kHead);
    app.english = 0;
    ReadSettings(app, file);
    EXPECT_EQ(app.english, 0u);
    EXPECT_EQ(app.appTitle, CMainApp::AppTitle(false));
}

TEST_F(SettingsTest, AnEmptyKeylessOrOversizedFileReadsAsMissingAndSaysSo) {
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

TEST_F(SettingsTest, WriteFormsReadBackKeepOtherLinesModeAndLink) {
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

TEST_F(SettingsTest, AFailedWriteLeavesTheOldFile) {
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

TEST_F(SettingsTest, EnsureCreatesFolderAndHeaderOnceOrSaysWhyNotAndSetAddsTheKey) {
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

}  // namespace
}  // namespace zelt
