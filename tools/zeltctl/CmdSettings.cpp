#include "Ctl.h"

namespace zeltctl {

void AddSettingsCommands(CLI::App& cli, CtlContext& ctx) {
    (void)cli;
    (void)ctx;
}

}  // namespace zeltctl
