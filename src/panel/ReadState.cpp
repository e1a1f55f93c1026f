#include "panel/ReadState.h"

#include "base/Trace.h"

namespace zelt {

namespace {

std::string Indexed(const char* name, int index) {
    return StrF("%s[%d]", name, index);
}

}  // namespace

std::vector<std::string> ValuesReadBy(const SequenceItem& item) {
    switch (item.step) {
        case SequenceStep::VoltForLoad:
            return {"maxVout", "minVout"};
        case SequenceStep::Schedule:
            return {Indexed("sectors", item.index)};
        case SequenceStep::Duration:
            return {Indexed("autoDuration", item.index), Indexed("autoBrightness", item.index)};
        case SequenceStep::FcvAcvOchtTc:
            return {"fcvVoltage", "acvVoltage", "tempCompensation"};
        case SequenceStep::LvdrPvOnOffDt:
            return {"lvrVoltage", "lvdVoltage", "lightOnVoltage", "lightOffVoltage"};
        case SequenceStep::VModePwmFlag:
            return {"pwmEnabled"};
        case SequenceStep::AdvanceBattPara:
            return {"lowLevelEnabled", "low1Voltage", "low1Brightness", "low2Voltage",
                    "low2Brightness"};
        default:
            return {};
    }
}

void NoteReadOutcome(const SequenceOutcome& outcome, PanelValues& values) {
    for (size_t i = 0; i < outcome.items.size(); ++i) {
        for (const std::string& name : ValuesReadBy(outcome.items[i])) {
            if (i < outcome.ok.size() && outcome.ok[i]) {
                values.unread.erase(name);
                values.everRead.insert(name);
            } else {
                values.unread.insert(name);
            }
        }
    }
}

ValueShown ShownAs(const PanelValues& values, const std::string& name) {
    if (values.unread.count(name) == 0) {
        return ValueShown::Plain;
    }
    return values.everRead.count(name) != 0 ? ValueShown::Greyed : ValueShown::Blank;
}

std::string UnreadQuestion(const PanelValues& values, bool english) {
    if (values.unread.empty()) {
        return {};
    }
    std::string text = english ? "Get Parameters could not read these values from the "
                                 "controller; the panel shows them blank or greyed:\n"
                               : "取得參數時以下數值無法從控制器讀取, 面板上以空白或灰色顯示:\n";
    for (const std::string& name : values.unread) {
        text += "\n" + name;
    }
    text += english ? "\n\nWrite the values the record holds for them (the built-in defaults "
                      "where they are blank) to the controller?"
                    : "\n\n仍要將設定檔中的這些數值 (空白者為內建預設值) 寫入控制器?";
    return text;
}

}  // namespace zelt
