#include "CtlHost.h"

#include <cstdio>

#include "Ctl.h"

namespace zeltctl {

void CtlHost::ShowMessage(const std::string& text, const std::string&, zelt::MessageIcon icon) {
    ClearProgress();
    if (icon == zelt::MessageIcon::Information) {
        std::printf("%s\n", text.c_str());
        std::fflush(stdout);
        return;
    }
    ++stopMessages_;
    std::fprintf(stderr, "%s\n", text.c_str());
}

void CtlHost::RequestQuit(int) {
    quitRequested_ = true;
}

void CtlHost::ExitNow(int) {
    throw CtlError{kExitController, ""};
}

zelt::BatteryFailChoice CtlHost::AskBatteryFail(const zelt::BatteryFailTexts& texts) {
    ClearProgress();
    std::fprintf(stderr, "%s: %s\n", texts.caption.c_str(), texts.text.c_str());
    return zelt::BatteryFailChoice::CloseUtility;
}

void CtlHost::ShowProgress(int n, int total, const std::string& name) {
    std::fprintf(stderr, "\r\033[K[%d/%d] %s", n, total, name.c_str());
    std::fflush(stderr);
    progressShown_ = true;
}

void CtlHost::ClearProgress() {
    if (progressShown_) {
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
        progressShown_ = false;
    }
}

void CtlHost::RunPosted(zelt::CControllerLink& link) {
    // A retried status read may post again; the command line never answers "Retry", so this
    // is bounded, but keep it so even if that changes.
    for (int handled = 0; !posted_.empty() && handled < 16; ++handled) {
        const zelt::Notification notification = posted_.front();
        posted_.pop_front();
        switch (notification) {
            case zelt::Notification::SystemVoltageChanged:
                link.OnSystemVoltageChanged();
                break;
            case zelt::Notification::RetryStatusRead:
                link.OnRetryStatusRead();
                break;
        }
    }
    posted_.clear();
}

void CtlHost::ThrowIfQuitRequested() const {
    if (quitRequested_) {
        throw CtlError{kExitController, ""};
    }
}

std::string CtlHost::DisplayText(zelt::Display display) const {
    const auto it = displays_.find(display);
    return it != displays_.end() ? it->second : std::string();
}

}  // namespace zeltctl
