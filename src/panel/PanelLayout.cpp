#include "panel/PanelLayout.h"

#include <cstdio>
#include <vector>

namespace zelt {

namespace {

using Kind = PanelControlKind;

// Panel client coordinates, laid out for a panel about 650 pixels wide.
const PanelControl kFixedControls[] = {
    // Battery, tab Basic
    {0, Kind::Label, "LVR:", "低壓回復:", {25, 54, 85, 72}, kBasic},
    {1028, Kind::Edit, "", "", {89, 54, 144, 72}, kBasic, 4},
    {1042, Kind::Spin, "", "", {147, 54, 159, 72}, kBasic},
    {0, Kind::Label, "LVD:", "低壓斷路:", {25, 77, 85, 95}, kBasic},
    {1029, Kind::Edit, "", "", {89, 77, 144, 95}, kBasic, 4},
    {1043, Kind::Spin, "", "", {147, 77, 159, 95}, kBasic},
    {0, Kind::Label, "FCV:", "浮充電壓:", {25, 102, 85, 120}, kBasic},
    {3300, Kind::Edit, "", "", {89, 102, 144, 120}, kBasic},
    {3400, Kind::Spin, "", "", {147, 102, 159, 120}, kBasic},
    {0, Kind::Label, "ACV:", "吸收電壓:", {25, 125, 85, 143}, kBasic},
    {3301, Kind::Edit, "", "", {89, 125, 144, 143}, kBasic},
    {3401, Kind::Spin, "", "", {147, 125, 159, 143}, kBasic},
    // Battery, tab Advance
    {3308, Kind::Check, "On", "啟用", {18, 54, 58, 72}, kAdvance},
    {0, Kind::Label, "Low 1:", "第一低壓:", {75, 54, 137, 72}, kAdvance},
    {3309, Kind::Edit, "", "", {139, 54, 184, 72}, kAdvance | kDisabled},
    {3310, Kind::Spin, "", "", {187, 54, 199, 72}, kAdvance | kDisabled},
    {0, Kind::Label, "Brightness:", "亮度:", {75, 77, 137, 95}, kAdvance},
    {3311, Kind::Edit, "", "", {139, 77, 184, 95}, kAdvance | kDisabled},
    {3312, Kind::Spin, "", "", {187, 77, 199, 95}, kAdvance | kDisabled},
    {0, Kind::Label, "Low 2:", "第二低壓:", {75, 100, 137, 118}, kAdvance},
    {3313, Kind::Edit, "", "", {139, 100, 184, 118}, kAdvance | kDisabled},
    {3314, Kind::Spin, "", "", {187, 100, 199, 118}, kAdvance | kDisabled},
    {0, Kind::Label, "Brightness:", "亮度:", {75, 123, 137, 141}, kAdvance},
    {3315, Kind::Edit, "", "", {139, 123, 184, 141}, kAdvance | kDisabled},
    {3316, Kind::Spin, "", "", {187, 123, 199, 141}, kAdvance | kDisabled},
    // Battery
    {0, Kind::Label, "Charge Count:", "充電次數:", {15, 154, 100, 172}},
    {1048, Kind::ReadOnlyEdit, "", "", {103, 154, 133, 172}},
    {3302, Kind::Button, "Reset", "Reset", {136, 154, 201, 172}},
    {0, Kind::Label, "Voltage:", "電壓:", {15, 178, 75, 196}},
    {1049, Kind::ReadOnlyEdit, "", "", {78, 178, 123, 196}},
    {0, Kind::Label, "Capacity:", "容量:", {15, 202, 70, 220}},
    {1050, Kind::ReadOnlyEdit, "", "", {76, 202, 111, 220}},
    {0, Kind::Label, "(approx.)", "(近似值)", {111, 202, 161, 220}},
    {0, Kind::Label, "Temperature Compensation:", "        溫度補償:", {15, 225, 175, 243}},
    {3303, Kind::Edit, "", "", {35, 245, 95, 263}},
    {3402, Kind::Spin, "", "", {98, 245, 110, 263}},
    {0, Kind::Label, "mv/'C", "毫伏/度C", {158, 245, 208, 263}},
    {4006, Kind::Combo, "", "", {95, 230, 210, 330}, kNeverShown},
    // RTC
    {0, Kind::Label, "System Time:", "控制器時間:", {258, 32, 408, 50}},
    {1052, Kind::ReadOnlyEdit, "", "", {253, 52, 353, 70}},
    {1053,
     Kind::Radio,
     "Set as PC time",
     "設成電腦時間",
     {238, 88, 358, 106},
     kChecked | kRadioPair},
    {1057, Kind::Button, "Set", "設定", {359, 88, 409, 106}},
    {1054, Kind::ReadOnlyEdit, "", "", {253, 110, 353, 128}},
    {1055, Kind::Radio, "Set as your time", "自定時間", {238, 136, 358, 154}},
    {1056, Kind::Button, "Set", "設定", {359, 136, 409, 154}, kDisabled},
    {1033, Kind::Edit, "", "", {258, 162, 284, 180}, 0, 2},
    {0, Kind::Label, ":", ":", {287, 162, 291, 180}},
    {1034, Kind::Edit, "", "", {294, 162, 320, 180}, 0, 2},
    {0, Kind::Label, ":", ":", {323, 162, 327, 180}},
    {1051, Kind::Edit, "", "", {330, 162, 356, 180}, 0, 2},
    // PWM
    {3305,
     Kind::Radio,
     "PWM Disable",
     "停用脈寬調變",
     {238, 221, 358, 239},
     kChecked | kRadioPair | kDisabled},
    {3306, Kind::Radio, "PWM Enable", "啟用脈寬調變", {238, 241, 358, 259}, kDisabled},
    // Load
    {0, Kind::Label, "Max.Vout:", "最大電壓:", {458, 30, 533, 48}},
    {1030, Kind::Edit, "", "", {536, 30, 591, 48}, kDisabled, 4},
    {1044, Kind::Spin, "", "", {594, 30, 606, 48}, kDisabled},
    {0, Kind::Label, "Min.Vout:", "最小電壓:", {458, 55, 533, 73}},
    {1031, Kind::Edit, "", "", {536, 55, 591, 73}, kDisabled, 4},
    {1045, Kind::Spin, "", "", {594, 55, 606, 73}, kDisabled},
    // PV
    {0, Kind::Label, "Light ON:", "開燈電壓:", {458, 110, 538, 128}},
    {1038, Kind::Edit, "", "", {541, 110, 596, 128}, kDisabled, 4},
    {1046, Kind::Spin, "", "", {599, 110, 611, 128}, kDisabled},
    {0, Kind::Label, "Light OFF:", "關燈電壓:", {458, 135, 538, 153}},
    {1039, Kind::Edit, "", "", {541, 135, 596, 153}, kDisabled, 4},
    {1047, Kind::Spin, "", "", {599, 135, 611, 153}, kDisabled},
    // Mode
    {0, Kind::Label, "Mode:", "模式:", {458, 192, 498, 210}},
    {1040, Kind::ReadOnlyLeftEdit, "", "", {501, 192, 591, 210}},
    {4000, Kind::Combo, "", "", {501, 188, 591, 338}, kNeverShown},
    {kLabelLightingTime, Kind::Label, "Lighting Time:", "點燈計時:", {458, 217, 538, 235}},
    {1041, Kind::ReadOnlyLeftEdit, "", "", {541, 217, 631, 235}},
    {4001, Kind::Combo, "", "", {541, 215, 631, 365}, kNeverShown},
    {1058, Kind::Button, "Update", "更新", {505, 240, 565, 260}},
    {4002, Kind::Button, "Set", "設定", {572, 240, 622, 260}, kNeverShown},
    {3506, Kind::Check, "", "", {450, 243, 470, 258}, kNeverShown},
    {0, Kind::Label, "Remote Level:", "位準:", {470, 243, 560, 258}, kNeverShown},
    {4003, Kind::Edit, "", "", {563, 243, 603, 258}, kNeverShown, 4},
    // Charge/Discharge (English geometry; Relabel moves the row by language)
    {kLabelChargeVoltage, Kind::Label, "Charge Voltage:", "充電電壓:", {15, 305, 107, 323}},
    {3501, Kind::ReadOnlyEdit, "", "", {109, 305, 151, 323}},
    {kLabelChargeCurrent, Kind::Label, "Charge Current:", "充電電流:", {170, 305, 260, 323}},
    {3502, Kind::ReadOnlyEdit, "", "", {262, 305, 304, 323}},
    {kLabelLoadVoltage, Kind::Label, "Load Voltage:", "放電電壓:", {335, 305, 413, 323}},
    {3503, Kind::ReadOnlyEdit, "", "", {415, 305, 457, 323}},
    {kLabelLoadCurrent, Kind::Label, "Load Current:", "放電電流:", {475, 305, 553, 323}},
    {3504, Kind::ReadOnlyEdit, "", "", {555, 305, 597, 323}},
    // Auto/Manual
    {0, Kind::Label, "Duration:\n(Minutes)", "  時段:\n  (分鐘)", {12, 390, 77, 420}},
    {0, Kind::Label, "Brightness:", "  亮度:", {12, 432, 77, 452}},
};

const PanelGroup kGroups[] = {
    {1025, "Battery Information", "電池資訊"},
    {1032, "RTC Information", "即時時鐘資訊"},
    {3304, "Output PWM Control", "脈寬調變控制輸出端"},
    {1035, "Voltage for Load", "負載電壓"},
    {1036, "PV Voltage", "光電板電壓"},
    {1037, "Operating Mode", "操作模式"},
    {3500, "Charge/Discharge Information (approximate)", "充放電資訊 (近似值)"},
    {1059, "Auto/Manual Mode Output Level", "自動/手動輸出設定"},
    {3505, "Schedule Mode Output Level", "排程輸出設定"},
};

// The step columns of the Auto/Manual group: a number over a duration and a brightness edit
// with their spins, 71 pixels apart.
const char* const kStepNumbers[] = {"1", "2", "3", "4", "5", "6", "7", "8"};

std::vector<PanelControl> BuildControls() {
    std::vector<PanelControl> controls(std::begin(kFixedControls), std::end(kFixedControls));
    for (int i = 0; i < panel_layout::kStepColumns; ++i) {
        const int x = 71 * i;
        controls.push_back(
            {0, Kind::Label, kStepNumbers[i], kStepNumbers[i], {99 + x, 364, 129 + x, 384}});
        const struct {
            int editId, spinId, top, bottom;
        } rows[] = {{1060 + i, 2000 + i, 390, 408}, {1080 + i, 2020 + i, 432, 450}};
        for (const auto& row : rows) {
            controls.push_back({row.editId,
                                Kind::Edit,
                                "",
                                "",
                                {78 + x, row.top, 122 + x, row.bottom},
                                kDisabled,
                                4});
            controls.push_back({row.spinId,
                                Kind::Spin,
                                "",
                                "",
                                {123 + x, row.top, 132 + x, row.bottom},
                                kDisabled});
        }
    }
    return controls;
}

}  // namespace

bool PanelControl::TakesInput() const {
    switch (kind) {
        case Kind::Label:
        case Kind::ReadOnlyEdit:
        case Kind::ReadOnlyLeftEdit:
            return false;
        default:
            return true;
    }
}

namespace panel_layout {

const char* ChartToggleText(bool english) {
    return english ? "Chart" : "圖表";
}

std::span<const PanelControl> Controls() {
    static const std::vector<PanelControl> controls = BuildControls();
    return controls;
}

const PanelControl* FindControl(int id) {
    for (const PanelControl& control : Controls()) {
        if (control.id == id) {
            return &control;
        }
    }
    return nullptr;
}

std::span<const ScheduleBarControl> ScheduleBarControls() {
    static constexpr ScheduleBarControl kBar[] = {
        {kScheduleDeleteButton, Kind::Button, {"Delete Schedule", "刪除排程"}, {212, 2, 358, 22}},
        {0, Kind::Label, {"Start Time:", "開始時間:"}, {8, 27, 88, 45}},
        {kScheduleStartField, Kind::ReadOnlyEdit, {"", ""}, {93, 27, 163, 45}},
        {kScheduleStartSpin, Kind::Spin, {"", ""}, {166, 27, 181, 45}},
        {0, Kind::Label, {"End Time:", "結束時間:"}, {201, 27, 276, 45}},
        {kScheduleEndField, Kind::ReadOnlyEdit, {"", ""}, {281, 27, 351, 45}},
        {kScheduleEndSpin, Kind::Spin, {"", ""}, {354, 27, 369, 45}},
        {0, Kind::Label, {"Brightness:", "亮度:"}, {397, 27, 475, 45}},
        {kScheduleBrightnessField, Kind::ReadOnlyEdit, {"", ""}, {480, 27, 550, 45}},
        {kScheduleBrightnessSpin, Kind::Spin, {"", ""}, {553, 27, 568, 45}},
    };
    return kBar;
}

std::span<const PanelGroup> Groups() {
    return kGroups;
}

const char* TabText(int index, bool english) {
    if (index == 0) {
        return english ? "Basic" : "基本";
    }
    return english ? "Advance" : "進階";
}

std::array<PanelRect, 9> GroupRects(int width, int height) {
    const int t = width / 3;
    const int r = width - 1;  // the last pixel column and row
    const int b = height - 1;
    return {{
        {5, 5, t, 270},
        {t + 5, 5, 2 * t, 191},
        {t + 5, 196, 2 * t, 270},
        {2 * t + 5, 5, r - 5, 81},
        {2 * t + 5, 86, r - 5, 162},
        {2 * t + 5, 167, r - 5, 270},
        {5, 275, r - 5, 340},
        {5, 345, r - 5, 465},
        {5, 470, r - 5, b - 5},
    }};
}

std::string BatteryTitle(bool english, int systemVoltage) {
    std::string title = english ? kGroups[0].english : kGroups[0].chinese;
    if (systemVoltage == 12 || systemVoltage == 24) {
        char volts[8];
        std::snprintf(volts, sizeof volts, " %dV", systemVoltage);
        title += volts;
    }
    return title;
}

std::array<ChargeRowCell, 4> ChargeRow(bool english) {
    static constexpr int kLabelLefts[] = {15, 170, 335, 475};
    static constexpr int kEnglishWidths[] = {92, 90, 78, 78};
    static constexpr int kChineseWidth = 55;
    static constexpr int kLabels[] = {kLabelChargeVoltage, kLabelChargeCurrent, kLabelLoadVoltage,
                                      kLabelLoadCurrent};
    static constexpr int kDisplays[] = {3501, 3502, 3503, 3504};
    std::array<ChargeRowCell, 4> row{};
    for (int i = 0; i < 4; ++i) {
        const int right = kLabelLefts[i] + (english ? kEnglishWidths[i] : kChineseWidth);
        row[i] = {kLabels[i],
                  kDisplays[i],
                  {kLabelLefts[i], 305, right, 323},
                  {right + 2, 305, right + 44, 323}};
    }
    return row;
}

}  // namespace panel_layout

}  // namespace zelt
