#include "models/SeekDialogModel.h"

namespace zelt {

CSeekDialogModel::CSeekDialogModel(CControllerCommands& commands, CComPort& port,
                                   CSeekPosition& position, std::function<void()> getParameters,
                                   std::function<void(int port)> showProbe)
    : commands_(commands),
      showProbe_(std::move(showProbe)),
      walk_(port, commands.Link().Trace(), position,
            SeekActions{
                [this, &port] {
                    if (cancelled_) {
                        return 0;
                    }
                    if (showProbe_) {
                        showProbe_(port.PortNumber());
                    }
                    const int answered = commands_.GetStatus();
                    return cancelled_ ? 0 : answered;  // Cancel during the probe ends the walk
                },
                std::move(getParameters),
                [this] { return commands_.Values().batteryFailed != 0; },
            }) {}

SeekStepResult CSeekDialogModel::Tick() {
    const SeekStepResult result = walk_.Step();
    if (result == SeekStepResult::Continue) {
        // An even tick shows the dim icon, an odd one the bright.
        brightShown_ = blinkTicks_ % 2 != 0;
        ++blinkTicks_;
    }
    return result;
}

void CSeekDialogModel::Cancel() {
    cancelled_ = true;
    commands_.CancelExchange();
}

}  // namespace zelt
