#include "policy/Finding.h"

#include "base/Trace.h"
#include "panel/ControllerTexts.h"

namespace zelt {

DetectVerdict JudgeDetect(const DetectResult& result, bool english) {
    if (result.port == 0) {
        return {false, Pick(texts::kDetectFailed, english),
                Pick(texts::kDetectFailCaption, english)};
    }
    const std::string text =
        result.address.framing == Framing::Rs232Ascii
            ? StrF(Pick(texts::kDetectFound, english), result.port)
            : StrF(Pick(texts::kDetectFoundId, english), result.port, result.address.rs485Id);
    return {true, text, Pick(texts::kDetectOkCaption, english)};
}

std::optional<BusController> BusScanRun::Step() {
    std::optional<BusController> controller = scan_.Step();
    if (controller) {
        found_.push_back(*controller);
    }
    return controller;
}

std::string BusScanRun::ProgressText(bool english) const {
    const int found = static_cast<int>(found_.size());
    if (scan_.Done()) {
        return FoundText(found, english);
    }
    return StrF(english ? "Scanning RS485 ID %d (%d of %d), %d found ..."
                        : "掃描 RS485 ID %d 中 (%d / %d), 找到 %d 個 ...",
                scan_.NextId(), scan_.StepsDone() + 1, scan_.StepCount(), found);
}

std::string BusScanRun::FoundText(int count, bool english) {
    return StrF(english ? "%d controller(s) found." : "找到 %d 個控制器.", count);
}

}  // namespace zelt
