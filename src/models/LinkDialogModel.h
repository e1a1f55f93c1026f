#pragma once
// What the link dialog ("Link PC") decides, whatever draws it: the port list, the port a list
// choice or Auto Detect hands back, the mode and RS485 ID that OK applies, which controls take
// input in which mode, and what Auto Detect's end tells the user. Also the port the program
// stays on after the link dialog or the start-up search.
//
// Usage (a window's link dialog):
//   CPortTable ports;
//   ports.Enumerate(port);                       // the port stays closed
//   CLinkDialogModel model(app, ports);
//   for (const std::string& entry : model.PortEntries()) list.Add(entry);
//   list.Select(model.ListIndexOfPort(model.selectedPort));
//   ... on OK: if (!model.Accept(mode, idField)) { show Rs485IdErrorText(app); stay; }
//   app.comPort = PortAfterLinkDialog(accepted, model.selectedPort, app.comPort);

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "config/MainApp.h"
#include "link/Discovery.h"
#include "policy/Finding.h"

namespace zelt {

class CLinkDialogModel {
  public:
    // ports: those that existed when the dialog opened. selectedPort starts as the settings'
    // port.
    CLinkDialogModel(CMainApp& app, const CPortTable& ports)
        : selectedPort(app.comPort), app_(app), ports_(ports) {}

    const CPortTable& Ports() const { return ports_; }

    // "COM 1", "COM 3", ...: the existing ports in ascending order.
    std::vector<std::string> PortEntries() const;
    // The list index of port; -1 when it does not exist.
    int ListIndexOfPort(int port) const;
    // The user chose the entry at index (-1: none).
    void SelectListIndex(int index) {
        selectedPort = static_cast<uint16_t>(ports_.PortAtListIndex(index));
    }

    // The ID field and "Scan Bus" mean something on an RS485 line only.
    static bool Rs485ControlsEnabled(uint16_t mode) { return mode == kCommModeRs485; }
    // "Scan Bus" needs a port that exists; false: tell NoPortForScanText.
    bool CanScanBus() const { return ports_.Exists(selectedPort); }

    // The ID field's value: a whole number from 1 to 255, else 0.
    static int ParseRs485Id(const std::string& text);

    // Where Auto Detect starts: the mode the radio buttons show; in RS485 mode an ID typed in
    // the field is tried first, else the settings' ID.
    LinkAddress DetectStart(uint16_t mode, const std::string& idField) const;
    // Auto Detect ended: the message to show, none when the user stopped a walk that found
    // nothing. A controller found gives the application its RS485 ID (the one it answers to,
    // whichever mode OK takes) and becomes the selected port; the caller then runs "Get
    // Parameters" at found.address and selects the port in the list.
    std::optional<DetectVerdict> DetectEnded(const DetectResult& found, bool cancelled);

    // OK: applies the mode and, in RS485 mode, the ID to the application. False, with nothing
    // applied, when the ID is not from 1 to 255: the dialog stays (Rs485IdErrorText).
    bool Accept(uint16_t mode, const std::string& idField);

    // The port the dialog hands back; 0 when none.
    uint16_t selectedPort;

  private:
    CMainApp& app_;
    CPortTable ports_;
};

// The settings' port after the link dialog: the one chosen with OK, else the old one. The
// serial port is opened on it again either way.
inline uint16_t PortAfterLinkDialog(bool accepted, uint16_t selectedPort, uint16_t comPort) {
    return accepted && selectedPort != 0 ? selectedPort : comPort;
}

}  // namespace zelt
