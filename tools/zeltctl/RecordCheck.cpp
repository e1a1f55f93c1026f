#include "RecordCheck.h"

#include <cstdio>

#include "Ctl.h"
#include "panel/RecordLimits.h"

namespace zeltctl {

bool SetRecordCheck::CorrectAndSend(const std::vector<std::string>&) {
    progress_.ClearProgress();
    return clamp_;
}

void SetRecordCheck::Corrected(const std::vector<std::string>& changes) {
    for (const std::string& change : changes) {
        std::printf("%s%s\n", linePrefix_.c_str(), change.c_str());
    }
    std::fflush(stdout);
}

void SetRecordCheck::ThrowRefusal(const std::vector<std::string>& problems) const {
    std::string text;
    for (const std::string& line : problems) {
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
