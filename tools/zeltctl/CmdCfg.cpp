#include "Ctl.h"

namespace zeltctl {

void AddCfgCommands(CLI::App& cli, CtlContext& ctx) {
    (void)cli;
    (void)ctx;
}

}  // namespace zeltctl
