#include "CtlProgress.h"

#include <cstdio>

#include "base/Trace.h"

namespace zeltctl {

void CtlProgress::ShowProgress(int n, int total, const std::string& name) {
    ShowProgressLine(zelt::StrF("[%d/%d] %s", n, total, name.c_str()));
}

void CtlProgress::ShowProbe(int port, int rs485Id) {
    ShowProgressLine(rs485Id == 0 ? zelt::StrF("COM%d", port)
                                  : zelt::StrF("COM%d RS485 ID %d", port, rs485Id));
}

void CtlProgress::ShowProgressLine(const std::string& text) {
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started_;
    std::fprintf(stderr, "\r\033[K%s  %.1f s", text.c_str(), elapsed.count());
    std::fflush(stderr);
    progressShown_ = true;
}

void CtlProgress::ClearProgress() {
    if (progressShown_) {
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
        progressShown_ = false;
    }
}

}  // namespace zeltctl
