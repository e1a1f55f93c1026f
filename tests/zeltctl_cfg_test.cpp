// zeltctl cfg, run as a separate process in a scratch folder.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "support/CfgLayout.h"

namespace {

using zelt::testing::CfgImage;
using zelt::testing::ReadBytes;
using zelt::testing::ScratchFolder;
using zelt::testing::WordAt;
using zelt::testing::WriteBytes;

struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};

std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path) << text;
}

class ZeltctlCfg : public ::testing::Test {
  protected:
    // Runs "zeltctl ARGS" in the scratch folder; prefix goes before it in the shell (limits).
    RunResult Run(const std::string& args, const std::string& prefix = "") {
        const std::string command = "cd '" + folder.path.string() + "' && ZELT_SETTINGS='" +
                                    folder.File("settings.reg") + "' " + prefix + "'" +
                                    ZELTCTL_PATH + "' " + args + " >out.txt 2>err.txt";
        const int raw = std::system(command.c_str());
        RunResult result;
        result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
        result.out = ReadText(folder.File("out.txt"));
        result.err = ReadText(folder.File("err.txt"));
        return result;
    }

    nlohmann::json Show(const std::string& file) {
        const RunResult shown = Run("cfg show " + file);
        EXPECT_EQ(shown.status, 0) << shown.err;
        return nlohmann::json::parse(shown.out);
    }

    ScratchFolder folder;
};

// One sector and a tail of known values, laid out by hand.
CfgImage HandMade() {
    CfgImage image;
    image.U32(0x78563412).U32(0x20090811).U32(777);
    image.I32(-20).I32(30).I32(1000).I32(800).U32(0xDEADBEEF).I32(1);
    image.U32(300).U32(420).U32(70);
    image.U32(9).F32(12.5f).F32(11.1f).F32(13.6f).F32(0.1f).I32(60).I32(-30).U32(1);
    image.F32(3.4028235e38f).F32(1e-45f).F32(2.5f).F32(-6.0f);
    image.U8(2).U8(1).F32(22.2f).U32(1).I32(60);
    for (int step = 0; step < 8; ++step) {
        image.I32(step * 10).I32(100 - step);
    }
    image.U32(1).F32(11.8f).F32(11.4f).I32(40).I32(30).U8(6);
    for (int i = 0; i < 108; ++i) {
        image.U8(static_cast<uint8_t>(255 - i));
    }
    return image;
}

TEST_F(ZeltctlCfg, BlankFileIs291BytesAndShowsNoSectors) {
    const RunResult made = Run("cfg new --blank -o a.cfg");
    ASSERT_EQ(made.status, 0) << made.err;
    const auto bytes = ReadBytes(folder.File("a.cfg"));
    ASSERT_EQ(bytes.size(), 291u);
    EXPECT_EQ(WordAt(bytes, 8), 1688u);
    const nlohmann::json shown = Show("a.cfg");
    EXPECT_TRUE(shown.at("sectors").is_array());
    EXPECT_TRUE(shown.at("sectors").empty());
    EXPECT_EQ(shown.at("reservedBytes"), std::string(216, 'F'));
    EXPECT_EQ(shown.at("autoDuration"), nlohmann::json::array({60, 60, 60, 60, 60, 60, 60, 60}));
}

TEST_F(ZeltctlCfg, NewWritesTheResetRecordForTheSystemVoltage) {
    ASSERT_EQ(Run("cfg new -o twelve.cfg").status, 0);
    ASSERT_EQ(Run("cfg new --system 24 -o t.cfg").status, 0);
    const nlohmann::json twelve = Show("twelve.cfg");
    const nlohmann::json twentyFour = Show("t.cfg");
    EXPECT_EQ(ReadBytes(folder.File("t.cfg")).size(), 303u);
    EXPECT_EQ(twentyFour.at("sectors"),
              nlohmann::json::parse(R"([{"startMinute":0,"endMinute":1440,"brightness":100}])"));
    EXPECT_EQ(twelve.at("lvrVoltage").get<float>(), 12.4f);
    EXPECT_EQ(twentyFour.at("lvrVoltage").get<float>(), 24.8f);
    EXPECT_EQ(twentyFour.at("tempCompensation"), 60);
    EXPECT_EQ(twentyFour.at("autoDuration")[7], 180);
    EXPECT_NE(Run("cfg new --system 36 -o x.cfg").status, 0);
    EXPECT_FALSE(std::filesystem::exists(folder.File("x.cfg")));
}

TEST_F(ZeltctlCfg, ShowPrintsEveryFieldAsWritten) {
    WriteBytes(folder.File("hand.cfg"), HandMade().bytes);
    const nlohmann::json j = Show("hand.cfg");
    EXPECT_EQ(j.at("fileMagic"), 0x78563412u);
    EXPECT_EQ(j.at("fileVersion"), 0x20090811u);
    EXPECT_EQ(j.at("fileChecksum"), 777);
    EXPECT_EQ(j.at("windowTop"), -20);
    EXPECT_EQ(j.at("windowLeft"), 30);
    EXPECT_EQ(j.at("windowRight"), 1000);
    EXPECT_EQ(j.at("windowBottom"), 800);
    EXPECT_EQ(j.at("reservedWord"), 0xDEADBEEFu);
    EXPECT_EQ(j.at("sectorCount"), 1);
    EXPECT_EQ(j.at("sectors"),
              nlohmann::json::parse(R"([{"startMinute":300,"endMinute":420,"brightness":70}])"));
    EXPECT_EQ(j.at("vMode"), 9);
    EXPECT_EQ(j.at("lvrVoltage").get<float>(), 12.5f);
    EXPECT_EQ(j.at("lvdVoltage").get<float>(), 11.1f);
    EXPECT_EQ(j.at("fcvVoltage").get<float>(), 13.6f);
    EXPECT_EQ(j.at("acvVoltage").get<float>(), 0.1f);
    EXPECT_EQ(j.at("ochtTime"), 60);
    EXPECT_EQ(j.at("tempCompensation"), -30);
    EXPECT_EQ(j.at("pwmEnabled"), 1);
    EXPECT_EQ(j.at("maxVout").get<float>(), 3.4028235e38f);
    EXPECT_EQ(j.at("minVout").get<float>(), 1e-45f);
    EXPECT_EQ(j.at("lightOnVoltage").get<float>(), 2.5f);
    EXPECT_EQ(j.at("lightOffVoltage").get<float>(), -6.0f);
    EXPECT_EQ(j.at("operatingMode"), 2);
    EXPECT_EQ(j.at("lightingTime"), 1);
    EXPECT_EQ(j.at("remoteLevel").get<float>(), 22.2f);
    EXPECT_EQ(j.at("remoteLevelEnabled"), 1);
    EXPECT_EQ(j.at("dtTime"), 60);
    EXPECT_EQ(j.at("autoDuration"), nlohmann::json::array({0, 10, 20, 30, 40, 50, 60, 70}));
    EXPECT_EQ(j.at("autoBrightness"), nlohmann::json::array({100, 99, 98, 97, 96, 95, 94, 93}));
    EXPECT_EQ(j.at("lowLevelEnabled"), 1);
    EXPECT_EQ(j.at("low1Voltage").get<float>(), 11.8f);
    EXPECT_EQ(j.at("low2Voltage").get<float>(), 11.4f);
    EXPECT_EQ(j.at("low1Brightness"), 40);
    EXPECT_EQ(j.at("low2Brightness"), 30);
    EXPECT_EQ(j.at("batteryType"), 6);
    EXPECT_EQ(j.at("reservedBytes").get<std::string>().substr(0, 6), "FFFEFD");
    EXPECT_EQ(j.at("reservedBytes").get<std::string>().size(), 216u);
    EXPECT_EQ(j.size(), 36u);  // one key per field
    // The short decimal, not the double expansion of the float.
    EXPECT_NE(ReadText(folder.File("out.txt")).find("\"fcvVoltage\": 13.6,"), std::string::npos);
}

TEST_F(ZeltctlCfg, ShowThenImportGivesTheSameBytes) {
    const auto original = HandMade().bytes;
    WriteBytes(folder.File("hand.cfg"), original);
    ASSERT_EQ(Run("cfg show hand.cfg").status, 0);
    std::filesystem::copy_file(folder.File("out.txt"), folder.File("hand.json"));
    const RunResult imported = Run("cfg import hand.json -o copy.cfg");
    ASSERT_EQ(imported.status, 0) << imported.err;
    // The store writes its own checksum; everything else is byte for byte.
    auto copy = ReadBytes(folder.File("copy.cfg"));
    ASSERT_EQ(copy.size(), original.size());
    EXPECT_EQ(WordAt(copy, 8), uint32_t(-20 + 30 + 1000 + 800 + 0xDEADBEEFu + 1));
    copy[8] = original[8];
    copy[9] = original[9];
    copy[10] = original[10];
    copy[11] = original[11];
    EXPECT_EQ(copy, original);
}

TEST_F(ZeltctlCfg, ImportFillsMissingKeysAndCountsTheSectors) {
    WriteText(folder.File("empty.json"), "{}");
    ASSERT_EQ(Run("cfg import empty.json -o e.cfg").status, 0);
    ASSERT_EQ(Run("cfg new --blank -o b.cfg").status, 0);
    EXPECT_EQ(ReadBytes(folder.File("e.cfg")), ReadBytes(folder.File("b.cfg")));

    WriteText(folder.File("two.json"),
              R"({"sectorCount": 5, "sectors": [{"startMinute": 10, "endMinute": 20},
                  {"brightness": 0}], "lvrVoltage": 13})");
    ASSERT_EQ(Run("cfg import two.json -o two.cfg").status, 0);
    const nlohmann::json j = Show("two.cfg");
    EXPECT_EQ(j.at("sectorCount"), 2);
    EXPECT_EQ(j.at("sectors")[0].at("brightness"), 100);
    EXPECT_EQ(j.at("sectors")[1].at("endMinute"), 0);
    EXPECT_EQ(j.at("lvrVoltage").get<float>(), 13.0f);
    EXPECT_EQ(ReadBytes(folder.File("two.cfg")).size(), 291u + 24u);
}

TEST_F(ZeltctlCfg, ImportRefusesBadValuesNamingTheKey) {
    const std::pair<const char*, const char*> cases[] = {
        {R"({"colour": 1})", "colour"},
        {R"({"lvrVoltage": "12.4"})", "lvrVoltage"},
        {R"({"lvrVoltage": 1e39})", "lvrVoltage"},
        {R"({"operatingMode": 256})", "operatingMode"},
        {R"({"windowTop": 2147483648})", "windowTop"},
        {R"({"fileMagic": -1})", "fileMagic"},
        {R"({"dtTime": 1.5})", "dtTime"},
        {R"({"pwmEnabled": true})", "pwmEnabled"},
        {R"({"autoDuration": [1, 2, 3]})", "autoDuration"},
        {R"({"autoBrightness": [1, 2, 3, 4, 5, 6, 7, -2147483649]})", "autoBrightness[7]"},
        {R"({"reservedBytes": "FF"})", "reservedBytes"},
        {R"({"sectors": [{"startMinute": 0, "endMinute": 10, "brightness": "x"}]})",
         "sectors[0].brightness"},
        {R"({"sectors": [{}, {"start": 0}]})", "sectors[1].start"},
        {R"({"sectors": {}})", "sectors"},
    };
    for (const auto& [json, key] : cases) {
        WriteText(folder.File("bad.json"), json);
        const RunResult result = Run("cfg import bad.json -o bad.cfg");
        EXPECT_EQ(result.status, 2) << json;
        EXPECT_NE(result.err.find(std::string("\"") + key + "\""), std::string::npos)
            << json << " -> " << result.err;
        EXPECT_FALSE(std::filesystem::exists(folder.File("bad.cfg"))) << json;
    }
    std::string hex(216, '0');
    hex[100] = 'g';
    WriteText(folder.File("bad.json"), R"({"reservedBytes": ")" + hex + "\"}");
    EXPECT_EQ(Run("cfg import bad.json -o bad.cfg").status, 2);
    WriteText(folder.File("bad.json"), "[1, 2]");
    EXPECT_EQ(Run("cfg import bad.json -o bad.cfg").status, 2);
    WriteText(folder.File("bad.json"), "{\"lvrVoltage\": ");
    const RunResult broken = Run("cfg import bad.json -o bad.cfg");
    EXPECT_EQ(broken.status, 2);
    EXPECT_NE(broken.err.find("bad.json"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(folder.File("bad.cfg")));
}

TEST_F(ZeltctlCfg, BrokenFilesAreRefusedWithStatus2) {
    auto cut = HandMade().bytes;
    cut.resize(cut.size() - 1);
    WriteBytes(folder.File("cut.cfg"), cut);
    RunResult result = Run("cfg show cut.cfg");
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("cut.cfg"), std::string::npos);
    EXPECT_NE(result.err.find("too short"), std::string::npos);
    EXPECT_TRUE(result.out.empty());

    for (const uint32_t count : {0x7FFFFFFFu, 0xFFFFFFFFu}) {
        CfgImage huge = HandMade();
        huge.PatchU32(32, count);
        WriteBytes(folder.File("huge.cfg"), huge.bytes);
        result = Run("cfg show huge.cfg");
        EXPECT_EQ(result.status, 2);
        EXPECT_NE(result.err.find("huge.cfg"), std::string::npos);
        EXPECT_NE(result.err.find("sector count"), std::string::npos) << result.err;
    }

    CfgImage wrong = HandMade();
    wrong.PatchU32(4, 0x20090812);
    WriteBytes(folder.File("wrong.cfg"), wrong.bytes);
    result = Run("--lang zh cfg show wrong.cfg");
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("wrong.cfg: 此為錯誤檔案."), std::string::npos) << result.err;

    result = Run("cfg show missing.cfg");
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("missing.cfg"), std::string::npos);
}

TEST_F(ZeltctlCfg, AFailedSaveKeepsTheOldFile) {
    ASSERT_EQ(Run("cfg new --system 24 -o keep.cfg").status, 0);
    const auto before = ReadBytes(folder.File("keep.cfg"));
    // 30 sectors make 651 bytes; the shell lets the process write at most 512 per file.
    nlohmann::json record = {{"sectors", nlohmann::json::array()}};
    for (int i = 0; i < 30; ++i) {
        record["sectors"].push_back({{"startMinute", i * 40}, {"endMinute", i * 40 + 20}});
    }
    WriteText(folder.File("big.json"), record.dump());
    const RunResult result = Run("cfg import big.json -o keep.cfg", "trap '' XFSZ; ulimit -f 1; ");
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("keep.cfg"), std::string::npos) << result.err;
    EXPECT_EQ(ReadBytes(folder.File("keep.cfg")), before);
    EXPECT_EQ(Run("cfg import big.json -o keep.cfg").status, 0);
    EXPECT_EQ(ReadBytes(folder.File("keep.cfg")).size(), 651u);

    EXPECT_EQ(Run("cfg new -o no/such/folder.cfg").status, 2);
}

}  // namespace
