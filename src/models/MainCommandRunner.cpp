#include "models/MainCommandRunner.h"

namespace zelt {

void RunMainCommand(ExchangeGate& gate, IMainCommandTarget& target, MainCommand command) {
    if (gate.DeferWhilePolling(
            [&gate, &target, command] { RunMainCommand(gate, target, command); })) {
        return;
    }
    if (command == MainCommand::CloseUtility) {
        target.CloseUtility();
        return;
    }
    gate.Exclusive([&target, command] {
        switch (command) {
            case MainCommand::Open:
                target.OpenFile();
                break;
            case MainCommand::SaveAs:
                target.SaveFileAs();
                break;
            case MainCommand::Link:
                target.LinkController();
                break;
            case MainCommand::ResetToDefault:
                target.ResetToDefault();
                break;
            case MainCommand::GetParameters:
                target.ReadParameters();
                break;
            case MainCommand::SetParameters:
                target.WriteParameters();
                break;
            case MainCommand::About:
                target.ShowAbout();
                break;
            case MainCommand::SwitchLanguage:
                target.SwitchLanguage();
                break;
            case MainCommand::DeleteSelectedSectors:
                target.DeleteSectors(false);
                break;
            case MainCommand::DeleteAllSectors:
                target.DeleteSectors(true);
                break;
            case MainCommand::CloseUtility:
                break;
        }
    });
}

}  // namespace zelt
