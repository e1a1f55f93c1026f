#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "config/CfgCommands.h"
#include "config/CfgFile.h"
#include "support/CfgLayout.h"

namespace zelt {
namespace {

using testing::CfgImage;
using testing::ReadBytes;
using testing::ScratchFolder;
using testing::WordAt;
using testing::WriteBytes;

// The image of a record laid out field by field, with the head words given explicitly.
CfgImage ImageOf(const CCfgDocument& r, uint32_t checksum) {
    CfgImage image;
    image.U32(0x78563412).U32(0x20090811).U32(checksum);
    image.I32(r.windowTop).I32(r.windowLeft).I32(r.windowRight).I32(r.windowBottom);
    image.U32(r.reservedWord).I32(static_cast<int32_t>(r.sectors.size()));
    for (const auto& s : r.sectors) {
        image.I32(s.startMinute).I32(s.endMinute).I32(s.brightness);
    }
    image.U32(r.vMode).F32(r.lvrVoltage).F32(r.lvdVoltage).F32(r.fcvVoltage).F32(r.acvVoltage);
    image.I32(r.ochtTime).I32(r.tempCompensation).U32(r.pwmEnabled);
    image.F32(r.maxVout).F32(r.minVout).F32(r.lightOnVoltage).F32(r.lightOffVoltage);
    image.U8(r.operatingMode).U8(r.lightingTime).F32(r.remoteLevel).U32(r.remoteLevelEnabled);
    image.I32(r.dtTime);
    for (int step = 0; step < 8; ++step) {
        image.I32(r.autoDuration[step]).I32(r.autoBrightness[step]);
    }
    image.U32(r.lowLevelEnabled).F32(r.low1Voltage).F32(r.low2Voltage);
    image.I32(r.low1Brightness).I32(r.low2Brightness).U8(r.batteryType);
    for (const uint8_t b : r.reservedBytes) {
        image.U8(b);
    }
    return image;
}

// Every field set to a value of its own.
CCfgDocument Distinct() {
    CCfgDocument r;
    r.windowLeft = 101;
    r.windowTop = 102;
    r.windowRight = 903;
    r.windowBottom = 704;
    r.reservedWord = 5;
    r.sectors = {{300, 420, 70}};
    r.sectorCount = 1;
    r.vMode = 0x01020304;
    r.lvrVoltage = 12.5f;
    r.lvdVoltage = 11.25f;
    r.fcvVoltage = 13.75f;
    r.acvVoltage = 14.5f;
    r.lowLevelEnabled = 1;
    r.low1Voltage = 0.1f;
    r.low2Voltage = -3.5f;
    r.low1Brightness = 41;
    r.low2Brightness = 31;
    r.ochtTime = 60;
    r.tempCompensation = -7;
    r.pwmEnabled = 1;
    r.maxVout = 12.125f;
    r.minVout = 8.5f;
    r.lightOnVoltage = 2.75f;
    r.lightOffVoltage = 6.25f;
    r.operatingMode = 2;
    r.lightingTime = 1;
    r.remoteLevel = 11.375f;
    r.remoteLevelEnabled = 0xA5A5A5A5;
    r.dtTime = 61;
    r.autoDuration = {1, 2, 3, 4, 5, 6, 7, 8};
    r.autoBrightness = {11, 12, 13, 14, 15, 16, 17, 18};
    r.batteryType = 6;
    for (int i = 0; i < CCfgDocument::kReservedBytes; ++i) {
        r.reservedBytes[i] = static_cast<uint8_t>(i);
    }
    return r;
}

std::vector<std::string> FolderEntries(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

TEST(CfgFileLayout, ConstructedRecordIs291BytesWithChecksum1688) {
    ScratchFolder folder;
    CCfgDocument record;
    ASSERT_TRUE(StoreCfgFile(folder.File("a.cfg"), record).ok);
    const auto bytes = ReadBytes(folder.File("a.cfg"));
    ASSERT_EQ(bytes.size(), 291u);
    EXPECT_EQ(bytes, ImageOf(CCfgDocument{}, 1688).bytes);
    EXPECT_EQ(WordAt(bytes, 8), 1688u);
    EXPECT_EQ(WordAt(bytes, 32), 0u);
    EXPECT_EQ(bytes.back(), 0xFF);  // the reserved bytes of a never-loaded record
    // The record now carries the head of its file.
    EXPECT_EQ(record.fileMagic, 0x78563412u);
    EXPECT_EQ(record.fileVersion, 0x20090811u);
    EXPECT_EQ(record.fileChecksum, 1688u);
}

TEST(CfgFileLayout, EveryFieldAtItsOffsetTopBeforeLeft) {
    const CCfgDocument record = Distinct();
    const std::vector<uint8_t> bytes = EncodeCfg([&] {
        CCfgDocument stored = record;
        PrepareForStore(stored);
        return stored;
    }());
    const uint32_t checksum = 102 + 101 + 903 + 704 + 5 + 1;
    EXPECT_EQ(bytes, ImageOf(record, checksum).bytes);
    ASSERT_EQ(bytes.size(), 303u);
    EXPECT_EQ(WordAt(bytes, 12), 102u);  // top
    EXPECT_EQ(WordAt(bytes, 16), 101u);  // left
    const std::size_t tail = 36 + 12;
    EXPECT_EQ(bytes[tail + 48], 2);                    // operatingMode
    EXPECT_EQ(WordAt(bytes, tail + 54), 0xA5A5A5A5u);  // remoteLevelEnabled, unaligned
    EXPECT_EQ(bytes[tail + 146], 6);                   // batteryType
    EXPECT_EQ(bytes[tail + 147], 0);                   // reservedBytes[0]
}

TEST(CfgFileLayout, ChecksumWrapsAndTwoStoresAreIdentical) {
    CCfgDocument record;
    record.windowRight = 0x7FFFFFFF;
    record.windowBottom = 0x7FFFFFFF;
    record.windowLeft = -5;
    record.reservedWord = 0xFFFFFFFF;
    EXPECT_EQ(CfgChecksum(record), 0x7FFFFFFFu + 0x7FFFFFFFu - 5u + 0xFFFFFFFFu);

    ScratchFolder folder;
    CCfgDocument again = Distinct();
    ASSERT_TRUE(StoreCfgFile(folder.File("1.cfg"), again).ok);
    ASSERT_TRUE(StoreCfgFile(folder.File("2.cfg"), again).ok);
    EXPECT_EQ(ReadBytes(folder.File("1.cfg")), ReadBytes(folder.File("2.cfg")));
}

TEST(CfgFileRoundTrip, StoreThenLoadGivesTheSameRecord) {
    ScratchFolder folder;
    for (CCfgDocument record : {CCfgDocument{}, Distinct()}) {
        ASSERT_TRUE(StoreCfgFile(folder.File("r.cfg"), record).ok);
        CCfgDocument loaded;
        loaded.sectors = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};  // replaced, not merged
        ASSERT_TRUE(LoadCfgFile(folder.File("r.cfg"), loaded).ok());
        EXPECT_EQ(loaded, record);
    }
}

TEST(CfgFileRoundTrip, WrongChecksumAndTrailingBytesLoadNormally) {
    CfgImage image = ImageOf(Distinct(), 12345);
    image.Fill(17, 0xEE);
    CCfgDocument loaded;
    const CfgLoadResult result = DecodeCfg(image.bytes, loaded);
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(loaded.fileChecksum, 12345u);
    EXPECT_EQ(loaded.sectors, Distinct().sectors);
    EXPECT_EQ(loaded.reservedBytes, Distinct().reservedBytes);
}

TEST(CfgFileLoadFaults, ShortFilesLeaveTheRecordUntouched) {
    CCfgDocument noSectors = Distinct();
    noSectors.sectors.clear();
    const std::vector<uint8_t> whole = ImageOf(noSectors, 0).bytes;
    const std::vector<uint8_t> oneSector = ImageOf(Distinct(), 0).bytes;
    ScratchFolder folder;
    for (const std::size_t length : {0u, 4u, 8u, 11u, 20u, 35u, 36u, 200u, 290u, 302u}) {
        const auto& image = length < whole.size() ? whole : oneSector;
        WriteBytes(folder.File("short.cfg"),
                   std::vector<uint8_t>(image.begin(), image.begin() + length));
        CCfgDocument record;
        const CCfgDocument before = record;
        const CfgLoadResult result = LoadCfgFile(folder.File("short.cfg"), record);
        EXPECT_FALSE(result.ok()) << length;
        EXPECT_EQ(result.status, length == 0 ? CfgLoadStatus::Empty : CfgLoadStatus::TooShort)
            << length;
        EXPECT_EQ(record, before) << length;
    }
}

TEST(CfgFileLoadFaults, WrongSignatureOrVersionChangesNothing) {
    for (const std::size_t offset : {0u, 4u}) {
        CfgImage image = ImageOf(Distinct(), 0);
        image.PatchU32(offset, WordAt(image.bytes, offset) ^ 1);
        CCfgDocument record;
        const CfgLoadResult result = DecodeCfg(image.bytes, record);
        EXPECT_EQ(result.status, CfgLoadStatus::WrongSignature);
        EXPECT_EQ(record, CCfgDocument{});  // not even the head words
    }
}

TEST(CfgFileLoadFaults, ImpossibleSectorCountsAreRefusedBeforeAllocating) {
    ScratchFolder folder;
    for (const uint32_t count : {0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu, 2000u}) {
        CfgImage image = ImageOf(Distinct(), 0);
        image.PatchU32(32, count);
        WriteBytes(folder.File("count.cfg"), image.bytes);
        CCfgDocument record;
        const CfgLoadResult result = LoadCfgFile(folder.File("count.cfg"), record);
        EXPECT_EQ(result.status, CfgLoadStatus::BadSectorCount) << count;
        EXPECT_EQ(result.sectorCount, static_cast<int32_t>(count));
        EXPECT_EQ(record, CCfgDocument{});
    }
    // A count that the length could hold, with the tail missing, is a short file.
    CfgImage image = ImageOf(Distinct(), 0);
    image.PatchU32(32, 2);
    CCfgDocument record;
    EXPECT_EQ(DecodeCfg(image.bytes, record).status, CfgLoadStatus::TooShort);
}

TEST(CfgFileLoadFaults, MissingFoldersAndDevicesAreNotRead) {
    ScratchFolder folder;
    CCfgDocument record;
    CfgLoadResult result = LoadCfgFile(folder.File("missing.cfg"), record);
    EXPECT_EQ(result.status, CfgLoadStatus::CannotOpen);
    EXPECT_EQ(result.systemError, ENOENT);
    EXPECT_EQ(LoadCfgFile(folder.path.string(), record).status, CfgLoadStatus::CannotOpen);
    EXPECT_EQ(LoadCfgFile("/dev/zero", record).status, CfgLoadStatus::NotRegularFile);
    EXPECT_EQ(record, CCfgDocument{});
}

TEST(CfgFileLoadFaults, ProblemTextsSayWhatIsWrongInBothLanguages) {
    CfgLoadResult result;
    result.status = CfgLoadStatus::BadSectorCount;
    result.sectorCount = 0x7FFFFFFF;
    result.fileLength = 291;
    const std::string english = CfgLoadProblemText(result, true);
    EXPECT_NE(english.find("2147483647"), std::string::npos);
    EXPECT_NE(english.find("291"), std::string::npos);
    EXPECT_NE(CfgLoadProblemText(result, false).find("2147483647"), std::string::npos);
    EXPECT_NE(CfgLoadProblemText(result, false), english);
    result.status = CfgLoadStatus::WrongSignature;
    EXPECT_EQ(CfgLoadProblemText(result, true), "Illegal Config File.");
    EXPECT_EQ(CfgLoadProblemText(result, false), "此為錯誤檔案.");
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

TEST(CfgFileStoreFaults, AFailedWriteLeavesTheOldFileIntact) {
    ScratchFolder folder;
    const std::string target = folder.File("keep.cfg");
    CCfgDocument old = Distinct();
    ASSERT_TRUE(StoreCfgFile(target, old).ok);
    const auto oldBytes = ReadBytes(target);

    // The disk refuses the new contents half way (a file size limit of 100 bytes).
    EXPECT_EXIT(StoreUnderFileSizeLimit(target), ::testing::ExitedWithCode(3), "");
    EXPECT_EQ(ReadBytes(target), oldBytes);
    EXPECT_EQ(FolderEntries(folder.path), std::vector<std::string>{"keep.cfg"});
}

TEST(CfgFileStoreFaults, RenameOrTempFailuresChangeNeitherDiskNorRecord) {
    ScratchFolder folder;
    // The target is a folder with something in it: the rename fails.
    const std::string busy = folder.File("busy.cfg");
    std::filesystem::create_directory(busy);
    WriteBytes(busy + "/inside", {1, 2, 3});
    CCfgDocument record;
    EXPECT_FALSE(StoreCfgFile(busy, record).ok);
    EXPECT_EQ(ReadBytes(busy + "/inside"), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(FolderEntries(folder.path), std::vector<std::string>{"busy.cfg"});
    EXPECT_EQ(record, CCfgDocument{});  // the head words are set only by a store that worked

    // No temporary file can be made in a folder that does not exist.
    const CfgStoreResult result = StoreCfgFile(folder.File("none/x.cfg"), record);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.systemError, ENOENT);
    EXPECT_FALSE(CfgStoreProblemText(result, true).empty());
}

TEST(CfgFileStoreFaults, ReplacingKeepsThePermissions) {
    ScratchFolder folder;
    const std::string target = folder.File("mode.cfg");
    WriteBytes(target, {0});
    ASSERT_EQ(chmod(target.c_str(), 0640), 0);
    CCfgDocument record;
    ASSERT_TRUE(StoreCfgFile(target, record).ok);
    struct stat info {};
    ASSERT_EQ(stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(ReadBytes(target).size(), 291u);
}

// The file dialogs and message box, scripted.
class ScriptedUi final : public ICfgFileUi {
  public:
    bool ChooseFileToOpen(std::string* path) override { return Answer(path); }
    bool ChooseFileToSave(std::string* path) override { return Answer(path); }
    void ShowMessage(const std::string& text, const std::string& caption,
                     MessageIcon icon) override {
        messages.push_back(Message{text, caption, icon});
    }

    struct Message {
        std::string text;
        std::string caption;
        MessageIcon icon;
    };
    std::vector<std::string> answers;  // an empty answer cancels
    int asked = 0;
    std::vector<Message> messages;

  private:
    bool Answer(std::string* path) {
        ++asked;
        if (answers.empty() || answers.front().empty()) {
            return false;
        }
        *path = answers.front();
        answers.erase(answers.begin());
        return true;
    }
};

class CfgCommandsTest : public ::testing::Test {
  protected:
    CfgCommandsTest() {
        hooks.collect = [this] { steps += "collect,"; };
        hooks.refresh = [this] { steps += "refresh,"; };
        hooks.repaint = [this] { steps += "repaint,"; };
        app.cfgFileName = "old.cfg";
        app.cfgFullPath = folder.File("old.cfg");
    }

    CCfgCommands Commands() { return CCfgCommands(app, ui, hooks); }

    ScratchFolder folder;
    CMainApp app;
    ScriptedUi ui;
    CfgCommandHooks hooks;
    std::string steps;
};

TEST(CfgCommandsNaming, SaveAsNamesFollowTheTypedExtension) {
    SaveAsNames names = SaveAsNaming("/d/name.txt");
    EXPECT_EQ(names.fileName, "name.cfg");
    EXPECT_EQ(names.fullPath, "/d/name.txt");
    names = SaveAsNaming("/d/name");
    EXPECT_EQ(names.fileName, "name.cfg");
    EXPECT_EQ(names.fullPath, "/d/name.cfg");
    names = SaveAsNaming("/d.v2/name");
    EXPECT_EQ(names.fullPath, "/d.v2/name.cfg");
    names = SaveAsNaming("/d/.hidden");
    EXPECT_EQ(names.fileName, ".hidden.cfg");
    EXPECT_EQ(names.fullPath, "/d/.hidden.cfg");
    names = SaveAsNaming("/d/name.");
    EXPECT_EQ(names.fileName, "name.cfg");
    EXPECT_EQ(names.fullPath, "/d/name.cfg");
    names = SaveAsNaming("a.b.cfg");
    EXPECT_EQ(names.fileName, "a.b.cfg");
    EXPECT_EQ(names.fullPath, "a.b.cfg");
    EXPECT_EQ(OpenedFileName("/d/site.CFG"), "site.CFG");
    EXPECT_EQ(OpenedFileName("/d/plain"), "plain");
}

TEST_F(CfgCommandsTest, SaveAsWritesExactlyTheChosenFileAndConfirms) {
    app.savedToFile = 0;
    ui.answers = {folder.File("name.txt")};
    EXPECT_TRUE(Commands().SaveConfigFileAs());
    EXPECT_EQ(steps, "collect,repaint,");
    EXPECT_EQ(ReadBytes(folder.File("name.txt")).size(), 291u);
    EXPECT_FALSE(std::filesystem::exists(folder.File("name.cfg")));
    EXPECT_EQ(app.cfgFileName, "name.cfg");
    EXPECT_EQ(app.cfgFullPath, folder.File("name.txt"));
    EXPECT_EQ(app.savedToFile, 1u);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "Save to " + folder.File("name.txt") + " Successfully.");
    EXPECT_EQ(ui.messages[0].caption, "Save");
    EXPECT_EQ(ui.messages[0].icon, ICfgFileUi::MessageIcon::Information);

    app.english = 0;
    ui.answers = {folder.File("plain")};
    EXPECT_TRUE(Commands().SaveConfigFileAs());
    EXPECT_TRUE(std::filesystem::exists(folder.File("plain.cfg")));
    EXPECT_EQ(ui.messages[1].text, "儲存檔案於 " + folder.File("plain.cfg") + " 成功了.");
    EXPECT_EQ(ui.messages[1].caption, "儲存");
}

TEST_F(CfgCommandsTest, SaveAsCancelledOrFailedKeepsFlagAndNames) {
    app.savedToFile = 0;
    ui.answers = {""};
    EXPECT_FALSE(Commands().SaveConfigFileAs());
    EXPECT_EQ(steps, "collect,");
    EXPECT_TRUE(ui.messages.empty());

    ui.answers = {folder.File("no/such/folder.cfg")};
    EXPECT_FALSE(Commands().SaveConfigFileAs());
    EXPECT_EQ(app.savedToFile, 0u);
    EXPECT_EQ(app.cfgFileName, "old.cfg");
    EXPECT_EQ(app.cfgFullPath, folder.File("old.cfg"));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].caption, "Error");
    EXPECT_EQ(ui.messages[0].icon, ICfgFileUi::MessageIcon::Stop);
    EXPECT_EQ(ui.messages[0].text.rfind(folder.File("no/such/folder.cfg") + "\n", 0), 0u);
}

TEST_F(CfgCommandsTest, OpenLoadsRenamesAndRefreshes) {
    CCfgDocument saved = Distinct();
    ASSERT_TRUE(StoreCfgFile(folder.File("site.cfg"), saved).ok);
    app.savedToController = 0;
    app.savedToFile = 0;
    ui.answers = {folder.File("site.cfg")};
    EXPECT_TRUE(Commands().OpenConfigFile());
    EXPECT_EQ(app.config, saved);
    EXPECT_EQ(app.cfgFileName, "site.cfg");
    EXPECT_EQ(app.cfgFullPath, folder.File("site.cfg"));
    EXPECT_EQ(steps, "refresh,repaint,");
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(app.savedToController, 0u);  // opening changes neither flag
    EXPECT_EQ(app.savedToFile, 0u);
}

TEST_F(CfgCommandsTest, OpenRefusesBadFilesAndKeepsEverything) {
    CfgImage wrong = ImageOf(Distinct(), 0);
    wrong.PatchU32(0, 0x12345678);
    WriteBytes(folder.File("wrong.cfg"), wrong.bytes);
    CfgImage shortFile = ImageOf(Distinct(), 0);
    shortFile.bytes.resize(100);
    WriteBytes(folder.File("short.cfg"), shortFile.bytes);

    ui.answers = {folder.File("wrong.cfg"), folder.File("short.cfg"), ""};
    EXPECT_FALSE(Commands().OpenConfigFile());
    app.english = 0;
    EXPECT_FALSE(Commands().OpenConfigFile());
    EXPECT_FALSE(Commands().OpenConfigFile());  // cancelled
    EXPECT_EQ(steps, "repaint,repaint,repaint,");
    EXPECT_EQ(app.config, CCfgDocument{});
    EXPECT_EQ(app.cfgFileName, "old.cfg");
    EXPECT_EQ(app.cfgFullPath, folder.File("old.cfg"));
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].text, folder.File("wrong.cfg") + "\nIllegal Config File.");
    EXPECT_EQ(ui.messages[0].caption, "Error");
    EXPECT_EQ(ui.messages[1].caption, "錯誤");
    EXPECT_EQ(ui.messages[1].text.rfind(folder.File("short.cfg") + "\n", 0), 0u);
    EXPECT_NE(ui.messages[1].text.find("100"), std::string::npos);
}

TEST_F(CfgCommandsTest, SaveToCurrentFileStoresSilentlyOrFallsBackToSaveAs) {
    WriteBytes(app.cfgFullPath, {9, 9, 9});
    app.savedToFile = 0;
    EXPECT_TRUE(Commands().SaveToCurrentFile());
    EXPECT_EQ(ReadBytes(app.cfgFullPath).size(), 291u);
    EXPECT_EQ(ui.asked, 0);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(steps, "collect,");

    steps.clear();
    app.cfgFullPath = folder.File("gone.cfg");
    ui.answers = {folder.File("chosen")};
    EXPECT_TRUE(Commands().SaveToCurrentFile());
    EXPECT_EQ(ui.asked, 1);
    EXPECT_EQ(steps, "collect,collect,repaint,");
    EXPECT_EQ(app.cfgFullPath, folder.File("chosen.cfg"));
    EXPECT_EQ(app.savedToFile, 1u);
}

}  // namespace
}  // namespace zelt
