#include "models/LinkDialogModel.h"

#include <charconv>

#include "models/DialogTexts.h"

namespace zelt {

namespace {

constexpr int kLowestRs485Id = 1;
constexpr int kHighestRs485Id = 255;

}  // namespace

std::vector<std::string> CLinkDialogModel::PortEntries() const {
    std::vector<std::string> entries;
    for (const int n : ports_.ExistingPorts()) {
        entries.push_back(PortListEntry(n));
    }
    return entries;
}

int CLinkDialogModel::ListIndexOfPort(int port) const {
    const std::vector<int> existing = ports_.ExistingPorts();
    for (size_t i = 0; i < existing.size(); ++i) {
        if (existing[i] == port) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int CLinkDialogModel::ParseRs485Id(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    const size_t last = text.find_last_not_of(" \t");
    if (first == std::string::npos) {
        return 0;
    }
    int id = 0;
    const char* end = text.data() + last + 1;
    const auto [stop, error] = std::from_chars(text.data() + first, end, id);
    const bool whole = error == std::errc() && stop == end;
    return whole && id >= kLowestRs485Id && id <= kHighestRs485Id ? id : 0;
}

LinkAddress CLinkDialogModel::DetectStart(uint16_t mode, const std::string& idField) const {
    LinkAddress start = LinkAddress::FromSettings(mode, app_.rs485Id);
    const int typed = ParseRs485Id(idField);
    if (start.framing == Framing::Rs485Binary && typed != 0) {
        start.rs485Id = static_cast<uint8_t>(typed);
    }
    return start;
}

std::optional<DetectVerdict> CLinkDialogModel::DetectEnded(const DetectResult& found,
                                                           bool cancelled) {
    if (found.port == 0 && cancelled) {
        return std::nullopt;  // the user stopped the walk: nothing to tell
    }
    const DetectVerdict verdict = JudgeDetect(found, app_.english != 0);
    if (verdict.found) {
        app_.rs485Id = found.address.rs485Id;
        selectedPort = static_cast<uint16_t>(found.port);
    }
    return verdict;
}

bool CLinkDialogModel::Accept(uint16_t mode, const std::string& idField) {
    if (mode == kCommModeRs485) {
        const int id = ParseRs485Id(idField);
        if (id == 0) {
            return false;
        }
        app_.rs485Id = static_cast<uint16_t>(id);
    }
    app_.commMode = mode;
    return true;
}

}  // namespace zelt
