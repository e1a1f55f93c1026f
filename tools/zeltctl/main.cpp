// zeltctl: the command-line face of ZELT Utility, over the same core as the window.
#include <cstdio>
#include <exception>

#include "Ctl.h"
#include "Interrupt.h"
#include "base/ConsoleText.h"
#include "base/Ticks.h"
#include "link/ComPort.h"
#include "link/PortNames.h"

namespace {
zelt::CMainApp theApp;
}

int main(int argc, char** argv) {
    zelt::PrepareConsoleText(argc, argv);
    zelt::ProcessTickClock();  // ticks count from program start
    zeltctl::Interrupt::Install();
    zeltctl::CtlContext ctx(theApp);

    CLI::App cli{"zeltctl: configure and watch a solar lighting controller", "zeltctl"};
    cli.require_subcommand(1);
    cli.add_option("--port", ctx.options.port, "COM port, COM1 to COM40 (default: the saved port)")
        ->check([](const std::string& name) {
            return zelt::ParseComName(name) != 0 ? std::string()
                                                 : "port must be COM1 to COM40, not " + name;
        });
    cli.add_flag("--rs485", ctx.options.rs485, "use the RS485 binary protocol (default RS232)");
    cli.add_option("--id", ctx.options.id, "RS485 device ID, 1 to 255 (default: the saved ID)")
        ->check(CLI::Range(1, 255));
    cli.add_option("--lang", ctx.options.lang, "language of messages (default: the saved one)")
        ->check(CLI::IsMember({"en", "zh"}));
    cli.add_flag("--trace", ctx.options.trace, "write the developer trace to standard error");

    zeltctl::AddSettingsCommands(cli, ctx);
    zeltctl::AddCfgCommands(cli, ctx);
    zeltctl::AddLinkCommands(cli, ctx);

    try {
        cli.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) {  // --help
            return cli.exit(e);
        }
        std::fprintf(stderr, "zeltctl: %s\n", e.what());
        return zeltctl::kExitUsage;
    } catch (const zeltctl::CtlError& e) {
        if (!e.message.empty()) {
            std::fprintf(stderr, "%s\n", e.message.c_str());
        }
        return e.status;
    } catch (const std::exception& e) {
        // A fault the commands did not foresee still ends with a reason, not an abort.
        std::fprintf(stderr, "zeltctl: %s\n", e.what());
        return zeltctl::kExitUsage;
    }
    return zeltctl::kExitOk;
}
