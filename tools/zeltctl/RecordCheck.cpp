#include "RecordCheck.h"

#include <cstdio>

#include "Ctl.h"
#include "panel/RecordLimits.h"

namespace zeltctl {

BeforeWrite SetRecordCheck::Vet(const zelt::CMainApp& app, CtlController& controller) {
    return [this, &app, &controller](zelt::CCfgDocument& record) {
        zelt::RecordGate gate(app.systemVoltage, english_);
        gate.Adapt(record);
        if (clamp_) {
            const std::vector<std::string> changes = gate.Correct(record);
            controller.Progress().ClearProgress();
            for (const std::string& change : changes) {
                std::printf("%s%s\n", linePrefix_.c_str(), change.c_str());
            }
            std::fflush(stdout);
        }
        // With --clamp, what the corrections could not mend is still refused.
        refusal_ = gate.Problems(record);
        if (!refusal_.empty()) {
            controller.Progress().ClearProgress();
        }
        return refusal_.empty();
    };
}

void SetRecordCheck::ThrowRefusal() const {
    std::string text;
    for (const std::string& line : refusal_) {
        text += (text.empty() ? "" : "\n") + linePrefix_ + line;
    }
    throw CtlError{kExitUsage, text};
}

std::vector<std::string> ImportWarnings(const zelt::CCfgDocument& record, int systemVoltage,
                                        bool english) {
    zelt::CCfgDocument adapted = record;
    zelt::RecordGate gate(systemVoltage, english);
    gate.Adapt(adapted);
    std::vector<std::string> lines = gate.Problems(adapted);
    for (std::string& line : lines) {
        line.insert(0, english ? "warning: " : "警告：");
    }
    return lines;
}

}  // namespace zeltctl
