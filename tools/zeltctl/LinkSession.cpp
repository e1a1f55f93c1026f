#include "LinkSession.h"

#include <unistd.h>

#include <cstdio>

#include "base/Ticks.h"
#include "link/ComPort.h"
#include "link/LinkTexts.h"
#include "link/PortNames.h"

namespace zeltctl {

namespace {
constexpr int kBaudRate = 19200;
}

void CheckLinkSettings(const zelt::CMainApp& app) {
    if (app.comPort < zelt::kFirstComPort || app.comPort > zelt::kLastComPort) {
        throw CtlError{kExitUsage,
                       zelt::StrF("zeltctl: the port COM%d is not one of COM1 to COM40; give one "
                                  "with --port",
                                  app.comPort)};
    }
    if (app.commMode != zelt::kCommModeRs232 && (app.rs485Id < 1 || app.rs485Id > 255)) {
        throw CtlError{kExitUsage,
                       zelt::StrF("zeltctl: the RS485 ID %d is not one of 1 to 255; give one with "
                                  "--id",
                                  app.rs485Id)};
    }
}

LinkSession::LinkSession(CtlContext& ctx) : ctx_(ctx) {
    ctx.StartUp();
    CheckLinkSettings(ctx.app);
    zelt::theComPort.Close();
    if (zelt::theComPort.Open(ctx.app.comPort, kBaudRate) == 0) {
        throw CtlError{kExitController,
                       zelt::StrF(ctx.app.Text("COM%d cannot be opened.", "無法開啟 COM%d."),
                                  ctx.app.comPort)};
    }
    link_ = std::make_unique<zelt::CControllerLink>(
        ctx.app, zelt::theComPort, zelt::ProcessTickClock(), ctx.Trace(), host_, wallClock_);
}

LinkSession::~LinkSession() {
    host_.ClearProgress();
    zelt::theComPort.Close();
}

void LinkSession::ShowSequenceProgress() {
    if (isatty(STDERR_FILENO) == 0) {
        return;
    }
    link_->SetProgressHook(
        [this](int n, int total, const std::string& name) { host_.ShowProgress(n, total, name); });
}

void LinkSession::Settle() {
    host_.ClearProgress();
    host_.RunPosted(*link_);
    host_.ThrowIfQuitRequested();
}

void LinkSession::Fail(const std::string& text) {
    host_.ClearProgress();
    host_.ShowMessage(text, zelt::Pick(ctx_.app, zelt::texts::kErrorCaption),
                      zelt::MessageIcon::Stop);
    throw CtlError{kExitController, ""};
}

}  // namespace zeltctl
