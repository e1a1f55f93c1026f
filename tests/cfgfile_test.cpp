#include <gtest/gtest.h>
#ifndef _WIN32  // the interrupted save below: POSIX file-size limits, modes and owners
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <array>
#include <csignal>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "config/CfgCommands.h"
#include "config/CfgFile.h"
#include "support/CfgLayout.h"

namespace zelt {
namespace {

using testing::CfgImage;
using testing::ImageOf;
using testing::ReadBytes;
using testing::ScratchFolder;
using testing::WordAt;
using testing::WriteBytes;
using Bytes = std::vector<uint8_t>;

// Every field set to a value of its own; the head words make the checksum wrap.
CCfgDocument Distinct() {
    // clang-format off
    CCfgDocument r{.windowLeft = 101, .windowTop = 102, .windowRight = 903, .windowBottom = 704,
                   .reservedWord = 0xFFFFFFF0, .sectorCount = 1, .sectors = {{0, 1440, 100}},
                   .vMode = 0x01020304, .lvrVoltage = 12.5f, .lvdVoltage = 11.25f,
                   .fcvVoltage = 13.75f, .acvVoltage = 14.5f, .lowLevelEnabled = 1,
                   .low1Voltage = 0.1f, .low2Voltage = -3.5f, .low1Brightness = 41,
                   .low2Brightness = 31, .ochtTime = 60, .tempCompensation = -7, .pwmEnabled = 1,
                   .maxVout = 12.125f, .minVout = 8.5f, .lightOnVoltage = 2.75f,
                   .lightOffVoltage = 6.25f, .operatingMode = 2, .lightingTime = 1,
                   .remoteLevel = 11.375f, .remoteLevelEnabled = 0xA5A5A5A5, .dtTime = 61,
                   .autoDuration = {1, 2, 3, 4, 5, 6, 7, 8},
                   .autoBrightness = {11, 12, 13, 14, 15, 16, 17, 18}, .batteryType = 6};
    // clang-format on
    for (int i = 0; i < CCfgDocument::kReservedBytes; ++i)
        r.reservedBytes[i] = static_cast<uint8_t>(i);
    return r;
}
constexpr uint32_t kDistinctChecksum = 102 + 101 + 903 + 704 + 0xFFFFFFF0u + 1;

TEST(CfgFileLayout, EveryFieldAtItsOffsetAndTwoStoresAreIdentical) {
    ScratchFolder folder;
    CCfgDocument blank;
    ASSERT_TRUE(StoreCfgFile(folder.File("a.cfg"), blank).ok);
    const Bytes blankBytes = ReadBytes(folder.File("a.cfg"));
    EXPECT_EQ(blankBytes.size(), 291u);
    EXPECT_EQ(WordAt(blankBytes, 8), 1688u);
    EXPECT_EQ(blankBytes, ImageOf(CCfgDocument{}, 1688).bytes);
    EXPECT_EQ(blank.fileChecksum, 1688u);  // the record now carries the head of its file

    CCfgDocument distinct = Distinct();
    ASSERT_TRUE(StoreCfgFile(folder.File("1.cfg"), distinct).ok);
    ASSERT_TRUE(StoreCfgFile(folder.File("2.cfg"), distinct).ok);
    const Bytes bytes = ReadBytes(folder.File("1.cfg"));
    EXPECT_EQ(bytes, ReadBytes(folder.File("2.cfg")));
    EXPECT_EQ(bytes, ImageOf(Distinct(), kDistinctChecksum).bytes);
    EXPECT_EQ(WordAt(bytes, 12), 102u);  // top before left
    EXPECT_EQ(WordAt(bytes, 16), 101u);
    EXPECT_EQ(Bytes(bytes.begin() + 36, bytes.begin() + 48),  // 0..1440 at 100
              (Bytes{0x00, 0x00, 0x00, 0x00, 0xA0, 0x05, 0x00, 0x00, 0x64, 0x00, 0x00, 0x00}));
}

// The layout test pins what a store writes; a load of that image gives the record back, its
// sectors replacing those shown. The checksum is not verified and trailing bytes are ignored.
TEST(CfgFileRoundTrip, LoadGivesBackTheRecordOfTheImage) {
    ScratchFolder folder;
    CfgImage image = ImageOf(Distinct(), 12345);
    image.Fill(17, 0xEE);
    WriteBytes(folder.File("r.cfg"), image.bytes);
    CCfgDocument expected = Distinct(), loaded;
    PrepareForStore(expected);
    expected.fileChecksum = 12345;
    loaded.sectors = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
    ASSERT_TRUE(LoadCfgFile(folder.File("r.cfg"), loaded).ok());
    EXPECT_EQ(loaded, expected);
}

TEST(CfgFileLoadFaults, ShortEmptyOrUnreadableFilesLeaveTheRecordUntouched) {
    const Bytes image = ImageOf(Distinct(), 0).bytes;  // one sector: 303 bytes
    ScratchFolder folder;
    CCfgDocument record;
    for (const std::size_t length : {0u, 4u, 8u, 11u, 35u, 40u, 200u, 290u, 302u}) {
        WriteBytes(folder.File("short.cfg"), Bytes(image.begin(), image.begin() + length));
        const CfgLoadResult result = LoadCfgFile(folder.File("short.cfg"), record);
        EXPECT_EQ(result.status, length == 0 ? CfgLoadStatus::Empty : CfgLoadStatus::TooShort)
            << length;  // cut before or after the sectors: the same complaint
        EXPECT_EQ(result.neededLength, length < 36 ? 291u : 303u) << length;
    }
    EXPECT_EQ(LoadCfgFile(folder.File("missing.cfg"), record).systemError, ENOENT);
    EXPECT_EQ(LoadCfgFile(folder.path.string(), record).status, CfgLoadStatus::CannotOpen);
#ifndef _WIN32
    EXPECT_EQ(LoadCfgFile("/dev/zero", record).status, CfgLoadStatus::NotRegularFile);
#endif
    EXPECT_EQ(record, CCfgDocument{});
}

TEST(CfgFileLoadFaults, WrongSignaturesAndImpossibleSectorCountsChangeNothing) {
    const std::tuple<std::size_t, uint32_t, CfgLoadStatus> cases[] = {
        {0, 0x78563413, CfgLoadStatus::WrongSignature},
        {4, 0x20090810, CfgLoadStatus::WrongSignature},
        {32, 0x7FFFFFFF, CfgLoadStatus::TooShort},  // a long enough file could hold these
        {32, 2, CfgLoadStatus::TooShort},
        {32, 0x80000000, CfgLoadStatus::BadSectorCount},  // no file could
    };
    ScratchFolder folder;
    for (const auto& [offset, word, status] : cases) {
        CfgImage image = ImageOf(Distinct(), 0);
        image.PatchU32(offset, word);
        WriteBytes(folder.File("bad.cfg"), image.bytes);
        CCfgDocument record;
        EXPECT_EQ(LoadCfgFile(folder.File("bad.cfg"), record).status, status) << word;
        EXPECT_EQ(record, CCfgDocument{}) << word;  // not even the head words
    }
}

#ifndef _WIN32
long EntriesIn(const std::filesystem::path& folder) {
    return std::distance(std::filesystem::directory_iterator(folder), {});
}

// Stores a bigger record while the process may write only 100 bytes per file, and exits with
// 3 when the store reports the refusal.
[[noreturn]] void StoreUnderFileSizeLimit(const std::string& target) {
    const rlimit limit{100, 100};
    std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &limit);
    CCfgDocument bigger = Distinct();
    bigger.sectors.resize(40);
    const CfgStoreResult result = StoreCfgFile(target, bigger);
    std::_Exit(result.ok ? 0 : (result.systemError == EFBIG ? 3 : 4));
}

TEST(CfgFileStoreFaults, AnInterruptedSaveLeavesTheOldFile) {
    ScratchFolder folder;
    const std::string target = folder.File("keep.cfg");
    CCfgDocument old = Distinct();
    ASSERT_TRUE(StoreCfgFile(target, old).ok);
    ASSERT_EQ(chmod(target.c_str(), 0640), 0);
    const Bytes oldBytes = ReadBytes(target);
    EXPECT_EXIT(StoreUnderFileSizeLimit(target), ::testing::ExitedWithCode(3), "");
    EXPECT_EQ(ReadBytes(target), oldBytes);
    EXPECT_EQ(EntriesIn(folder.path), 1);  // no temporary file left

    // A replacement that works keeps the file's permissions and owner, and a symbolic link
    // stays a link to the file it names.
    const bool root = geteuid() == 0;
    if (root) {
        ASSERT_EQ(chown(target.c_str(), 1234, 5678), 0);
    }
    const std::string link = folder.File("link.cfg");
    std::filesystem::create_symlink("keep.cfg", link);
    CCfgDocument blank;
    ASSERT_TRUE(StoreCfgFile(link, blank).ok);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadBytes(target).size(), 291u);
    struct stat info {};
    ASSERT_EQ(stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(info.st_uid, root ? 1234u : geteuid());
    EXPECT_EQ(info.st_gid, root ? 5678u : getegid());

    // A file made read-only is refused by its mode bits, for root as well, through the link
    // or not, and stays as it was.
    ASSERT_EQ(chmod(target.c_str(), 0444), 0);
    for (const std::string& path : {target, link}) {
        CCfgDocument other = Distinct();
        const CfgStoreResult refused = StoreCfgFile(path, other);
        EXPECT_FALSE(refused.ok);
        EXPECT_EQ(refused.systemError, EACCES);
        EXPECT_EQ(CfgStoreProblemText(refused, true),
                  "The file cannot be saved: Permission denied.");
    }
    EXPECT_EQ(ReadBytes(target).size(), 291u);
    EXPECT_EQ(EntriesIn(folder.path), 2);
}
#endif

// The file dialogs and message box, scripted. A message is kept as "caption|icon|text".
class ScriptedUi final : public ICfgFileUi {
  public:
    bool ChooseFileToOpen(std::string* path) override { return Answer(path); }
    bool ChooseFileToSave(std::string* path) override { return Answer(path); }
    void ShowMessage(const std::string& text, const std::string& caption,
                     MessageIcon icon) override {
        messages.push_back(caption + (icon == MessageIcon::Stop ? "|stop|" : "|info|") + text);
    }
    std::vector<std::string> answers;  // taken in turn; an empty answer cancels
    std::vector<std::string> messages;

  private:
    bool Answer(std::string* path) {
        const std::string answer = answers.empty() ? "" : answers.front();
        if (!answers.empty())
            answers.erase(answers.begin());
        if (!answer.empty())
            *path = answer;
        return !answer.empty();
    }
};

TEST(CfgCommandsNaming, SaveAsNamesFollowTheTypedExtension) {
    const std::array<const char*, 3> cases[] = {
        {"/d/name.txt", "name.cfg", "/d/name.txt"},
        {"/d/name", "name.cfg", "/d/name.cfg"},
        {"/d.v2/name", "name.cfg", "/d.v2/name.cfg"},
        {"/d/.hidden", ".hidden.cfg", "/d/.hidden.cfg"},
        {"/d/name.", "name.cfg", "/d/name.cfg"},
        {"a.b.cfg", "a.b.cfg", "a.b.cfg"},
    };
    for (const auto& [chosen, fileName, fullPath] : cases) {
        const SaveAsNames names = SaveAsNaming(chosen);
        EXPECT_EQ(names.fileName, fileName) << chosen;
        EXPECT_EQ(names.fullPath, fullPath) << chosen;
    }
    EXPECT_EQ(OpenedFileName("/d/site.CFG"), "site.CFG");
}

// The window tests drive Open and Save As in English; here the Chinese texts, a short file's
// length and a save to the current file, silent while the file is there, Save As once it is gone.
TEST(CfgCommands, ChineseTextsShortFileAndSaveToCurrentFile) {
    ScratchFolder folder;
    CMainApp app;
    app.english = 0;
    app.cfgFullPath = folder.File("old.cfg");
    WriteBytes(app.cfgFullPath, {9, 9, 9});
    Bytes cut = ImageOf(Distinct(), 0).bytes;
    cut.resize(100);
    WriteBytes(folder.File("short.cfg"), cut);
    ScriptedUi ui;
    ui.answers = {folder.File("short.cfg"), folder.File("plain")};
    CCfgCommands commands(app, ui, {});

    EXPECT_TRUE(commands.SaveToCurrentFile());
    EXPECT_EQ(ReadBytes(folder.File("old.cfg")).size(), 291u);
    EXPECT_EQ(ui.answers.size(), 2u);  // no dialog
    EXPECT_FALSE(commands.OpenConfigFile());
    app.cfgFullPath = folder.File("gone.cfg");
    EXPECT_TRUE(commands.SaveToCurrentFile());
    EXPECT_EQ(app.cfgFullPath, folder.File("plain.cfg"));
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].rfind("錯誤|stop|" + folder.File("short.cfg") + "\n", 0), 0u);
    EXPECT_NE(ui.messages[0].find("100"), std::string::npos);  // the length it has
    EXPECT_EQ(ui.messages[1], "儲存|info|儲存檔案於 " + folder.File("plain.cfg") + " 成功了.");
}

}  // namespace
}  // namespace zelt
