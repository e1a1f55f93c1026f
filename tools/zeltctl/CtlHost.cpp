#include "CtlHost.h"

#include <cstdio>

#include "Ctl.h"
#include "base/Trace.h"

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
    ShowProgressLine(zelt::StrF("[%d/%d] %s", n, total, name.c_str()));
}

void CtlHost::ShowProbe(int port, int rs485Id) {
    ShowProgressLine(rs485Id == 0 ? zelt::StrF("COM%d", port)
                                  : zelt::StrF("COM%d RS485 ID %d", port, rs485Id));
}

void CtlHost::ShowProgressLine(const std::string& text) {
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started_;
    std::fprintf(stderr, "\r\033[K%s  %.1f s", text.c_str(), elapsed.count());
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
