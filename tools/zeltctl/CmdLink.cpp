#include "Ctl.h"

namespace zeltctl {

void AddLinkCommands(CLI::App& cli, CtlContext& ctx) {
    (void)cli;
    (void)ctx;
}

}  // namespace zeltctl
