// zeltctl settings | ports: what the program reads at start-up, and which ports open.
#include <cstdio>
#include <nlohmann/json.hpp>

#include "Ctl.h"
#include "LinkSession.h"
#include "link/ComPort.h"
#include "link/ControllerPort.h"
#include "link/Discovery.h"
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
    out["store"] = ctx.SettingsStore();  // the .reg file, or the registry key on Windows
    // A hand-edited file may hold bytes that are not UTF-8; show them replaced, not fail.
    const std::string text = out.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
    std::printf("%s\n", text.c_str());
}

// The ports the link dialog lists: the system's list, or where it has none every COM name
// that opens.
void ListPorts(CtlContext& ctx) {
    ctx.StartUp();
    CheckPortFolder();
    zelt::CPortTable table;
    table.Enumerate(zelt::theComPort);
    for (const int port : table.ExistingPorts()) {
        std::printf("COM%d\n", port);
    }
}

}  // namespace

void AddSettingsCommands(CLI::App& cli, CtlContext& ctx) {
    cli.add_subcommand(
           "settings",
           "print the saved settings as the program reads them, and where from, as JSON")
        ->callback([&ctx] { PrintSettings(ctx); });
    cli.add_subcommand("ports", "list the COM ports the link dialog offers, one per line")
        ->callback([&ctx] { ListPorts(ctx); });
}

}  // namespace zeltctl
