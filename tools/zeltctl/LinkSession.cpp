#include "LinkSession.h"

#include <unistd.h>

#include <cstdio>

#include "Interrupt.h"
#include "base/Ticks.h"
#include "link/ComPort.h"
#include "link/ControllerPort.h"
#include "link/PortNames.h"

namespace zeltctl {

void CheckPortFolder() {
    if (zelt::PortDirectoryIsEmpty()) {
        throw CtlError{kExitUsage, "zeltctl: ZELT_PORT_DIR is empty"};
    }
}

void CheckPortSetting(const zelt::CMainApp& app) {
    CheckPortFolder();
    if (app.comPort < zelt::kFirstComPort || app.comPort > zelt::kLastComPort) {
        throw CtlError{kExitUsage,
                       zelt::StrF("zeltctl: the port COM%d is not one of COM1 to COM40; give one "
                                  "with --port",
                                  app.comPort)};
    }
}

void CheckLinkSettings(const zelt::CMainApp& app) {
    CheckPortSetting(app);
    if (app.commMode != zelt::kCommModeRs232 && (app.rs485Id < 1 || app.rs485Id > 255)) {
        throw CtlError{kExitUsage,
                       zelt::StrF("zeltctl: the RS485 ID %d is not one of 1 to 255; give one with "
                                  "--id",
                                  app.rs485Id)};
    }
}

void OpenPort(const zelt::CMainApp& app) {
    if (const auto refusal = zelt::OpenControllerPort(zelt::theComPort, app.comPort)) {
        throw CtlError{kExitController, refusal->In(app.english != 0)};
    }
}

LinkSession::LinkSession(CtlContext& ctx) : ctx_(ctx) {
    ctx.StartUp();
    CheckLinkSettings(ctx.app);
    OpenPort(ctx.app);
    controller_ = std::make_unique<CtlController>(ctx.app, zelt::theComPort,
                                                  zelt::ProcessTickClock(), ctx.Trace());
}

LinkSession::~LinkSession() {
    if (controller_) {
        controller_->Progress().ClearProgress();
    }
    zelt::theComPort.Close();
}

void LinkSession::ShowSequenceProgress() {
    const bool terminal = isatty(STDERR_FILENO) != 0;
    controller_->Link().SetProgressHook(
        [this, terminal, sequence = 0](int n, int total, const std::string& name) mutable {
            // The command's own sequence counts its items; the read-back after a write-all
            // only shows them (the link's cancel flag ends it).
            sequence = sequence == 0 ? total : sequence;
            if (total == sequence) {
                // Item n is about to start: the ones before it have ended, retries included.
                ThrowIfInterrupted(total);
                itemsBegun_.push_back(name);
            }
            if (terminal) {
                controller_->Progress().ShowProgress(n, total, name);
            }
        });
}

void LinkSession::ThrowIfInterrupted(int total) {
    if (Interrupt::Pending() == 0) {
        return;
    }
    controller_->Progress().ClearProgress();
    std::string done;
    for (const std::string& name : itemsBegun_) {
        done += (done.empty() ? "" : ", ") + name;
    }
    Interrupt::ThrowIfInterrupted(
        zelt::StrF("%d of %d items done", static_cast<int>(itemsBegun_.size()), total) +
        (done.empty() ? std::string() : " (" + done + ")"));
}

void LinkSession::Settle() {
    controller_->AfterCommand();
    controller_->ThrowIfQuitRequested();
}

void LinkSession::Fail(const std::string& text) {
    controller_->ShowError(text);
    throw CtlError{kExitController, ""};
}

}  // namespace zeltctl
