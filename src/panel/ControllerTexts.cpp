#include "panel/ControllerTexts.h"

#include <cstdlib>

#include "base/Trace.h"
#include "config/CfgCodes.h"
#include "link/CommandCatalogue.h"

namespace zelt {

namespace {

// A field's label; "%d" takes the 1-based step or sector of a name with "[n]".
struct FieldLabelRow {
    const char* field;  // "[]" stands for the index
    Bilingual label;
};
constexpr FieldLabelRow kFieldLabels[] = {
    {"lvrVoltage", {"LVR", "低壓回復"}},
    {"lvdVoltage", {"LVD", "低壓斷路"}},
    {"fcvVoltage", {"FCV", "浮充電壓"}},
    {"acvVoltage", {"ACV", "吸收電壓"}},
    {"low1Voltage", {"Low 1", "第一低壓"}},
    {"low2Voltage", {"Low 2", "第二低壓"}},
    {"low1Brightness", {"Low 1 Brightness", "第一低壓亮度"}},
    {"low2Brightness", {"Low 2 Brightness", "第二低壓亮度"}},
    {"tempCompensation", {"Temperature Compensation", "溫度補償"}},
    {"maxVout", {"Max.Vout", "最大電壓"}},
    {"minVout", {"Min.Vout", "最小電壓"}},
    {"lightOnVoltage", {"Light ON", "開燈電壓"}},
    {"lightOffVoltage", {"Light OFF", "關燈電壓"}},
    {"remoteLevel", {"Remote Level", "位準"}},
    {"ochtTime", {"Over-charge Time", "過充時間"}},
    {"dtTime", {"Delay Time", "延遲時間"}},
    {"autoDuration[]", {"Duration %d", "第 %d 段時段"}},
    {"autoBrightness[]", {"Brightness %d", "第 %d 段亮度"}},
    {"sectors", {"Sectors", "排程時段"}},
    {"sectors[]", {"Sector %d", "排程時段 %d"}},
    {"sectors[].brightness", {"Sector %d Brightness", "排程時段 %d 亮度"}},
};

// The writes of "Set Parameters" by step; "%d" takes the 1-based slot or step.
struct WriteStepLabel {
    SequenceStep step;
    const char* chinese;
};
constexpr WriteStepLabel kWriteStepLabels[] = {
    {SequenceStep::VoltForLoad, "負載電壓"},
    {SequenceStep::VModePwmFlag, "脈寬調變位元"},
    {SequenceStep::Schedule, "排程 %d"},
    {SequenceStep::LvdLvr, "低壓回復與保護"},
    {SequenceStep::FcvAcvOchtTc, "浮充/吸收電壓/溫度補償"},
    {SequenceStep::PvDetect, "開關燈電壓"},
    {SequenceStep::Duration, "自動時段 %d"},
    {SequenceStep::AdvanceBattPara, "進階電池參數"},
    {SequenceStep::Rtc, "即時時鐘"},
};

}  // namespace

std::string FieldLabel(const std::string& field, bool english) {
    // "autoDuration[2]" is looked up as "autoDuration[]" with the step 3.
    std::string key = field;
    int number = 0;
    const auto open = field.find('[');
    const auto close = field.find(']');
    if (open != std::string::npos && close != std::string::npos && close > open + 1) {
        char* end = nullptr;
        const long index = std::strtol(field.c_str() + open + 1, &end, 10);
        if (end != field.c_str() + close || index < 0 || index > 9999) {
            return field;
        }
        number = static_cast<int>(index) + 1;
        key = field.substr(0, open + 1) + field.substr(close);
    }
    for (const FieldLabelRow& row : kFieldLabels) {
        if (key == row.field) {
            return StrF(english ? row.label.english : row.label.chinese, number);
        }
    }
    return field;
}

std::string WrittenItemsText(const SequenceOutcome& outcome, const IFraming& framing,
                             bool english) {
    if (english) {
        return outcome.WrittenItems(framing);
    }
    std::string lines;
    for (size_t i = 0; i < outcome.items.size() && i < outcome.ok.size(); ++i) {
        const SequenceItem& item = outcome.items[i];
        if (!outcome.ok[i] || item.write == nullptr) {
            continue;
        }
        for (const WriteStepLabel& label : kWriteStepLabels) {
            if (label.step == item.step) {
                lines += StrF(label.chinese, item.index + 1) + "\n";
            }
        }
    }
    return lines;
}

std::string BatteryCaption(const CMainApp& app) {
    std::string caption = Pick(app, texts::kBatteryInformation);
    if (app.systemVoltage == 12) {
        caption += " 12V";
    } else if (app.systemVoltage == 24) {
        caption += " 24V";
    }
    return caption;
}

std::string FirmwarePaneText(const CMainApp& app) {
    return std::string(Pick(app, texts::kFirmwarePaneLabel)) + app.firmwareVersionText;
}

std::string SerialPaneText(const CMainApp& app) {
    return StrF(Pick(app, texts::kSerialPaneFormat), app.serialNumberText.c_str());
}

BatteryFailTexts MakeBatteryFailTexts(const CMainApp& app) {
    return BatteryFailTexts{Pick(app, texts::kBatteryFailCaption),
                            Pick(app, texts::kBatteryFailText), Pick(app, texts::kBatteryFailRetry),
                            Pick(app, texts::kBatteryFailClose)};
}

std::string OperatingModeText(const CMainApp& app, uint8_t code) {
    return OperatingModeLabel(static_cast<uint8_t>(code & 3), app.english != 0);
}

std::string LightingTimeText(const CMainApp& app, uint8_t code) {
    return LightingTimeLabel(static_cast<uint8_t>(code & 3), app.english != 0);
}

std::string VoltsText(double volts) {
    return StrF("%0.1f V", volts);
}

std::string AmpsText(double amps) {
    return StrF("%0.1f A", amps);
}

std::string PercentText(int percent) {
    return StrF("%d%%", percent);
}

std::string ClockText(const TimeOfDay& time) {
    return StrF("%02d : %02d : %02d", time.hour, time.minute, time.second);
}

}  // namespace zelt
