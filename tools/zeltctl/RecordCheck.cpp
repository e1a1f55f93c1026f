#include "RecordCheck.h"

#include <cstdio>

#include "Ctl.h"
#include "config/CfgRecord.h"
#include "panel/RecordLimits.h"

namespace zeltctl {

zelt::RecordVet SetRecordCheck::Vet(const zelt::CMainApp& app, CtlHost& host) {
    return [this, &app, &host](zelt::CCfgDocument& record) {
        const int systemVoltage = app.systemVoltage;
        if (clamp_) {
            const std::vector<std::string> changes =
                zelt::ClampRecordToPanel(record, systemVoltage, english_);
            host.ClearProgress();
            for (const std::string& change : changes) {
                std::printf("%s\n", change.c_str());
            }
            std::fflush(stdout);
            // The pair rules may restore an out-of-range value: check what is left.
            refusal_ = zelt::CheckRecordLimits(record, systemVoltage, english_);
        } else {
            refusal_ = zelt::CheckRecordLimits(record, systemVoltage, english_, &asLoaded_);
        }
        return refusal_.empty();
    };
}

void SetRecordCheck::ThrowRefusal() const {
    std::string text;
    for (const std::string& line : refusal_) {
        text += (text.empty() ? "" : "\n") + line;
    }
    throw CtlError{kExitUsage, text};
}

std::vector<std::string> ImportWarnings(const zelt::CCfgDocument& record, int systemVoltage,
                                        bool english) {
    zelt::CCfgDocument adapted = record;
    zelt::AdaptToSystemVoltage(adapted, static_cast<uint16_t>(systemVoltage));
    std::vector<std::string> lines =
        zelt::CheckRecordLimits(adapted, systemVoltage, english, &record);
    for (std::string& line : lines) {
        line.insert(0, english ? "warning: " : "警告：");
    }
    return lines;
}

}  // namespace zeltctl
