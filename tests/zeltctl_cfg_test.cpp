// zeltctl cfg, run as a separate process in a scratch folder.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <limits>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>

#include "base/Trace.h"
#include "support/CfgLayout.h"
#include "support/ToolRun.h"

namespace zelt {
namespace {

using nlohmann::json;
using testing::CfgImage;
using testing::ImageOf;
using testing::ReadBytes;
using testing::WriteBytes;
using testing::WriteText;
using Bytes = std::vector<uint8_t>;

class ZeltctlCfg : public testing::ToolBench {
  protected:
    // Runs "zeltctl ARGS" in the scratch folder; returns its exit status and keeps its output.
    int Run(const std::string& args) {
        const testing::ToolRun run = testing::RunZeltctl(scratch_, args);
        out = run.out;
        err = run.err;
        return run.status;
    }
    json Show(const std::string& file) {  // out keeps the text shown
        EXPECT_EQ(Run("cfg show " + file), 0) << err;
        return json::parse(out);
    }
    bool Exists(const std::string& name) { return std::filesystem::exists(File(name)); }

    std::string out, err;
};

// One sector and a tail of known values, the floats at the ends of their range.
CCfgDocument HandMade() {
    // clang-format off
    CCfgDocument r{.windowLeft = 30, .windowTop = -20, .windowRight = 1000, .windowBottom = 800,
                   .reservedWord = 0xDEADBEEF, .sectorCount = 1, .sectors = {{300, 420, 70}},
                   .vMode = 9, .lvrVoltage = 12.5f, .lvdVoltage = 11.1f, .fcvVoltage = 13.6f,
                   .acvVoltage = 0.1f, .lowLevelEnabled = 1, .low1Voltage = 11.8f,
                   .low2Voltage = 11.4f, .low1Brightness = 40, .low2Brightness = 30, .ochtTime = 60,
                   .tempCompensation = -30, .pwmEnabled = 1, .maxVout = 3.4028235e38f,
                   .minVout = 1e-45f, .lightOnVoltage = 2.5f, .lightOffVoltage = -6.0f,
                   .operatingMode = 2, .lightingTime = 1, .remoteLevel = 22.2f,
                   .remoteLevelEnabled = 1, .dtTime = 60, .autoDuration = {0, 10, 20, 30, 40, 50, 60, 70},
                   .autoBrightness = {100, 99, 98, 97, 96, 95, 94, 93}, .batteryType = 6};
    // clang-format on
    for (int i = 0; i < CCfgDocument::kReservedBytes; ++i)
        r.reservedBytes[i] = static_cast<uint8_t>(255 - i);
    return r;
}

TEST_F(ZeltctlCfg, NewBlankIs291BytesAndShowsNoSectors) {
    ASSERT_EQ(Run("cfg new --blank -o a.cfg"), 0) << err;
    const Bytes blank = ReadBytes(File("a.cfg"));
    EXPECT_EQ(blank, ImageOf(CCfgDocument{}, 1688).bytes);
    EXPECT_EQ(Show("a.cfg").at("sectors"), json::array());
    // An import of nothing is the blank record; without --blank it is the reset record.
    WriteText(File("empty.json"), "{}");
    ASSERT_EQ(Run("cfg import empty.json -o e.cfg"), 0) << err;
    EXPECT_EQ(ReadBytes(File("e.cfg")), blank);
    ASSERT_EQ(Run("cfg new --system 24 -o t.cfg"), 0) << err;
    EXPECT_EQ(Show("t.cfg").at("lvrVoltage").get<float>(), 24.8f);
    EXPECT_EQ(Run("cfg new --system 36 -o x.cfg"), 2);
    EXPECT_EQ(Run("cfg new -o no/such/folder.cfg"), 2);
    EXPECT_FALSE(Exists("x.cfg"));
}

TEST_F(ZeltctlCfg, ShowPrintsAHandMadeFileFieldByField) {
    WriteBytes(File("hand.cfg"), ImageOf(HandMade(), 777).bytes);
    json expected = json::parse(R"({"fileMagic": 2018915346, "fileVersion": 537462801,
        "fileChecksum": 777, "windowLeft": 30, "windowTop": -20, "windowRight": 1000,
        "windowBottom": 800, "reservedWord": 3735928559, "sectorCount": 1,
        "sectors": [{"startMinute": 300, "endMinute": 420, "brightness": 70}], "vMode": 9,
        "lvrVoltage": 12.5, "lvdVoltage": 11.1, "fcvVoltage": 13.6, "acvVoltage": 0.1,
        "lowLevelEnabled": 1, "low1Voltage": 11.8, "low2Voltage": 11.4, "low1Brightness": 40,
        "low2Brightness": 30, "ochtTime": 60, "tempCompensation": -30, "pwmEnabled": 1,
        "maxVout": 3.4028235e38, "minVout": 1e-45, "lightOnVoltage": 2.5, "lightOffVoltage": -6.0,
        "operatingMode": 2, "lightingTime": 1, "remoteLevel": 22.2, "remoteLevelEnabled": 1,
        "dtTime": 60, "autoDuration": [0, 10, 20, 30, 40, 50, 60, 70],
        "autoBrightness": [100, 99, 98, 97, 96, 95, 94, 93], "batteryType": 6})");
    for (int i = 0; i < CCfgDocument::kReservedBytes; ++i)
        expected["reservedBytes"] = expected.value("reservedBytes", "") + StrF("%02X", 255 - i);
    EXPECT_EQ(Show("hand.cfg"), expected);
    // The short decimal of the float, not the expansion of the double.
    EXPECT_NE(out.find("\"fcvVoltage\": 13.6,"), std::string::npos);
}

TEST_F(ZeltctlCfg, ShowThenImportGivesTheSameBytes) {
    WriteBytes(File("hand.cfg"), ImageOf(HandMade(), 777).bytes);
    ASSERT_EQ(Run("cfg show hand.cfg"), 0) << err;
    WriteText(File("hand.json"), out);
    ASSERT_EQ(Run("cfg import hand.json -o copy.cfg"), 0) << err;
    // Written as they are, with a warning for what `set` would refuse on a 12 V controller.
    EXPECT_EQ(err,
              "hand.json: warning: acvVoltage = 0.1: outside 14.0 to 16.0 at 12 V, would be reset "
              "to 14.6\nhand.json: warning: tempCompensation = -30: outside 20 to 30 at 12 V, "
              "would be reset to 30\nhand.json: warning: minVout = 1.4013e-45: outside 8.0 to "
              "14.0 at 12 V, would be reset to 8.0\nhand.json: warning: lightOffVoltage = -6: "
              "outside 0.0 to 10.0 at 12 V, would be reset to 6.0\nhand.json: warning: maxVout "
              "= 1.70141e+38 (3.40282e+38 before the 12 V adaptation): allowed 8.0 to 14.0 at "
              "12 V\n");
    // The store writes its own checksum; everything else is byte for byte.
    const uint32_t checksum = static_cast<uint32_t>(-20 + 30 + 1000 + 800 + 1) + 0xDEADBEEFu;
    EXPECT_EQ(ReadBytes(File("copy.cfg")), ImageOf(HandMade(), checksum).bytes);
    // Floats that no JSON number holds travel as texts.
    CCfgDocument odd = HandMade();
    odd.lvrVoltage = std::numeric_limits<float>::quiet_NaN();
    odd.maxVout = std::numeric_limits<float>::infinity();
    odd.minVout = -odd.maxVout;
    WriteBytes(File("odd.cfg"), ImageOf(odd, 777).bytes);
    const json shown = Show("odd.cfg");
    EXPECT_EQ(shown.at("lvrVoltage"), "NaN");
    EXPECT_EQ(shown.at("maxVout"), "Infinity");
    EXPECT_EQ(shown.at("minVout"), "-Infinity");
    WriteText(File("odd.json"), out);
    ASSERT_EQ(Run("cfg import odd.json -o odd2.cfg"), 0) << err;
    EXPECT_NE(err.find("warning: lvrVoltage = NaN: allowed"), std::string::npos) << err;
    EXPECT_NE(err.find("warning: minVout = -Infinity: outside 8.0 to 14.0 at 12 V, would be "
                       "reset to 8.0"),
              std::string::npos)
        << err;
    EXPECT_EQ(ReadBytes(File("odd2.cfg")), ImageOf(odd, checksum).bytes);

    // Missing keys take their defaults; the count is that of the sector list (else the file
    // would not show).
    WriteText(File("two.json"), R"({"sectorCount": 5, "sectors": [{"endMinute": 20}, {}]})");
    ASSERT_EQ(Run("cfg import two.json -o two.cfg"), 0) << err;
    EXPECT_EQ(Show("two.cfg").at("sectors")[0],
              json::parse(R"({"startMinute": 0, "endMinute": 20, "brightness": 100})"));
}

TEST_F(ZeltctlCfg, ImportRefusesBadValuesNamingTheKeyAndWritesNothing) {
    const std::pair<const char*, const char*> cases[] = {
        {R"({"colour": 1})", R"("colour")"},
        {R"({"lvrVoltage": "12.4"})", R"("lvrVoltage")"},
        {R"({"lvrVoltage": 1e39})", R"("lvrVoltage")"},
        {R"({"operatingMode": 256})", R"("operatingMode")"},
        {R"({"fileMagic": -1})", R"("fileMagic")"},
        {R"({"dtTime": 1.5})", R"("dtTime")"},
        {R"({"autoDuration": [1, 2, 3]})", R"("autoDuration")"},
        {R"({"autoBrightness": [1, 2, 3, 4, 5, 6, 7, -2147483649]})", R"("autoBrightness[7]")"},
        {R"({"reservedBytes": "FF"})", R"("reservedBytes")"},
        {R"({"sectors": [{"brightness": "x"}]})", R"("sectors[0].brightness")"},
        {R"({"sectors": [{}, {"start": 0}]})", R"("sectors[1].start")"},
        {"[1, 2]", "bad.json: expected a JSON object"},
        {R"({"lvrVoltage": )", "bad.json: not valid JSON"},
    };
    for (const auto& [text, message] : cases) {
        WriteText(File("bad.json"), text);
        EXPECT_EQ(Run("cfg import bad.json -o bad.cfg"), 2) << text;
        EXPECT_NE(err.find(message), std::string::npos) << text << " -> " << err;
        EXPECT_FALSE(Exists("bad.cfg")) << text;
    }
}

TEST_F(ZeltctlCfg, BrokenFilesAreRefusedWithStatus2AndAMessage) {
    CfgImage cut = ImageOf(HandMade(), 0), huge = cut, negative = cut, wrong = cut;
    cut.bytes.pop_back();
    huge.PatchU32(32, 0x7FFFFFFF);
    negative.PatchU32(32, 0xFFFFFFFF);
    wrong.PatchU32(4, 0x20090812);
    WriteBytes(File("cut.cfg"), cut.bytes);
    WriteBytes(File("huge.cfg"), huge.bytes);
    WriteBytes(File("negative.cfg"), negative.bytes);
    WriteBytes(File("wrong.cfg"), wrong.bytes);
    // What a careless hand gives: no regular file, a sparse giant, a number beyond double.
    ASSERT_EQ(mkfifo(File("fifo.json").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", File("zero.json"));
    for (const char* giant : {"giant.cfg", "giant.json"}) {
        WriteText(File(giant), "");
        std::filesystem::resize_file(File(giant), 2u << 20);
    }
    WriteText(File("e400.json"), R"({"lvdVoltage": 1e400})");
    const std::pair<const char*, const char*> cases[] = {
        {"cfg show giant.cfg",
         "giant.cfg: Illegal Config File: the file is larger than a configuration file can be "
         "(2097152 bytes, at most 1048576)."},
        {"cfg show fifo.json", "fifo.json: This is not a regular file."},
        {"cfg import fifo.json -o x.cfg", "fifo.json: not a regular file (a FIFO)"},
        {"--lang zh cfg import zero.json -o x.cfg", "zero.json: 不是一般檔案 (裝置)"},
        {"cfg import giant.json -o x.cfg",
         "giant.json: larger than this kind of file can be (2097152 bytes, at most 1048576)"},
        {"cfg import e400.json -o x.cfg",
         "e400.json: not valid JSON: [json.exception.out_of_range.406] number overflow parsing "
         "'1e400'"},
        {"--port COM1 set zero.json", "zeltctl: zero.json: not a regular file (a device)"},
        {"cfg show cut.cfg",
         "cut.cfg: Illegal Config File: the file is too short (302 bytes, 303 needed)."},
        {"cfg show huge.cfg",
         "huge.cfg: Illegal Config File: the file is too short (303 bytes, 25769804055 needed)."},
        {"--lang zh cfg show negative.cfg",
         "negative.cfg: 此為錯誤檔案: 時段數 -1 不可能存在於 303 位元組的檔案中."},
        {"--lang zh cfg show wrong.cfg", "wrong.cfg: 此為錯誤檔案."},
        {"cfg show missing.cfg",
         "missing.cfg: The file cannot be opened: No such file or directory."},
    };
    for (const auto& [args, message] : cases) {
        EXPECT_EQ(Run(args), 2) << args;
        EXPECT_EQ(err, std::string(message) + "\n") << args;
        EXPECT_EQ(out, "") << args;
    }
}

}  // namespace
}  // namespace zelt
