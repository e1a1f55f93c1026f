// zeltctl settings | ports: what the program reads at start-up, and which ports open.
#include <cstdio>
#include <nlohmann/json.hpp>

#include "Ctl.h"
#include "LinkSession.h"
#include "link/ComPort.h"
#include "link/ControllerPort.h"
#include "link/PortNames.h"

namespace zeltctl {

namespace {

// The settings as a fresh start-up reads them, before any global option is applied over them.
void PrintSettings(CtlContext& ctx) {
    ctx.StartUp();  // ensures the key; failure ends the tool
    const zelt::CMainApp& readAtStart = ctx.SettingsAsRead();

    nlohmann::ordered_json out;
    out["comPort"] = readAtStart.comPort;
    out["commMode"] = readAtStart.commMode;
    out["rs485Id"] = readAtStart.rs485Id;
    out["english"] = readAtStart.english;
    out["cfgPath"] = readAtStart.cfgPath;
    out["cfgFileName"] = readAtStart.cfgFileName;
    out["cfgFullPath"] = readAtStart.cfgFullPath;
    // A hand-edited file may hold bytes that are not UTF-8; show them replaced, not fail.
    const std::string text = out.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
    std::printf("%s\n", text.c_str());
}

// Every COM name that opens, tried as the link dialog does: open, then close.
void ListPorts(CtlContext& ctx) {
    ctx.StartUp();
    CheckPortFolder();
    zelt::theComPort.Close();
    for (int port = zelt::kFirstComPort; port <= zelt::kLastComPort; ++port) {
        if (zelt::theComPort.Open(port, zelt::kControllerBaudRate) != 0) {
            std::printf("COM%d\n", port);
        }
        zelt::theComPort.Close();
    }
}

}  // namespace

void AddSettingsCommands(CLI::App& cli, CtlContext& ctx) {
    cli.add_subcommand("settings", "print the saved settings as the program reads them, as JSON")
        ->callback([&ctx] { PrintSettings(ctx); });
    cli.add_subcommand("ports", "list the COM ports that open, one per line")->callback([&ctx] {
        ListPorts(ctx);
    });
}

}  // namespace zeltctl
