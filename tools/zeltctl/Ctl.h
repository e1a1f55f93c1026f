#pragma once

#include <CLI/CLI.hpp>
#include <memory>
#include <string>

#include "base/Trace.h"
#include "config/MainApp.h"

namespace zeltctl {

// Exit statuses of the tool.
constexpr int kExitOk = 0;
constexpr int kExitController = 1;  // the controller failed or did not answer
constexpr int kExitUsage = 2;       // bad usage, bad input, fatal start-up

// Thrown by a command to end the tool with a status and a one-line message on stderr.
struct CtlError {
    int status;
    std::string message;
};

// Global options, shared by every command.
struct CtlOptions {
    std::string port;    // "COMn"; empty = the "COM Port" setting
    bool rs485 = false;  // RS485 binary protocol instead of RS232 ASCII
    int id = -1;         // RS485 device ID; -1 = the "RS485 ID" setting
    std::string lang;    // "en" or "zh"; empty = the "English" setting
    bool trace = false;
};

class CtlContext {
  public:
    explicit CtlContext(zelt::CMainApp& app) : app(app) {}

    zelt::CMainApp& app;
    CtlOptions options;

    // The program's start-up: ensures the settings key (fatal: status 2) and reads the
    // settings once, then applies the global options over them.
    void StartUp();
    // The settings as start-up read them, before the global options went over them.
    const zelt::CMainApp& SettingsAsRead() const { return settingsAsRead_; }
    // Where start-up read them: the .reg file, or the registry key on Windows.
    const std::string& SettingsStore() const { return settingsStore_; }
    // The developer trace: stderr with --trace or ZELT_TRACE=1, silent otherwise.
    zelt::ITraceSink& Trace();

  private:
    bool started_ = false;
    zelt::CMainApp settingsAsRead_;
    std::string settingsStore_;
    std::unique_ptr<zelt::ITraceSink> trace_;
};

// Each group of commands registers itself on the tool.
void AddSettingsCommands(CLI::App& cli, CtlContext& ctx);  // settings, ports
void AddCfgCommands(CLI::App& cli, CtlContext& ctx);       // cfg show|new|import
void AddLinkCommands(CLI::App& cli, CtlContext& ctx);      // detect, status, monitor, get, set, ...

}  // namespace zeltctl
