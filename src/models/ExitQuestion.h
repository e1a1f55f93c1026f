#pragma once
// Leaving the program: whether the close path asks "Exit & Save Confirm", the question's texts
// and which of its buttons are enabled, and what each button does. The window shows the
// buttons in this order in one row and hands the pressed one's id to Choose.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "config/MainApp.h"

namespace zelt {

struct ExitSaveActions {
    std::function<bool()> saveToController;  // "Set Parameters"; true when nothing failed
    std::function<bool()> saveToFile;        // save to the current file; true when stored
    std::function<void()> cancelSave;        // stops the exchange of the save that runs
};

class CExitQuestion {
  public:
    enum ButtonId : int {
        IDC_CANCEL = 2,  // not IDCANCEL: windows.h makes that a macro
        IDC_SAVE_TO_CONTROLLER = 1003,
        IDC_SAVE_TO_FILE = 1004,
        IDC_SAVE_BOTH = 1005,
        IDC_EXIT_NOW = 1006,
        IDC_TEXT = 1011,
    };
    struct Button {
        int id;
        std::string text;
        bool enabled;
        bool isDefault;
    };

    // Nothing unsaved: the close path leaves without asking.
    static bool Needed(const CMainApp& app) {
        return app.savedToController != 1 || app.savedToFile != 1;
    }

    // The saved flags of app decide which save buttons are enabled.
    explicit CExitQuestion(const CMainApp& app);

    const std::string& Caption() const { return caption_; }
    const std::string& Text() const { return text_; }
    const std::vector<Button>& Buttons() const { return buttons_; }

    // Runs the saves of the button pressed (Escape and the close box count as Cancel).
    // nullopt: Cancel, the program stays; otherwise the dialog closes, true when every save
    // it ran succeeded. A save that failed keeps the program (and the edits) here: its
    // message has been shown.
    static std::optional<bool> Choose(int buttonId, const ExitSaveActions& actions);

    // What a press of buttonId does in the open dialog (Escape and the close box press
    // Cancel). The chosen save's exchange keeps the dialog live: while it runs, Cancel stops
    // it (the dialog closes once it has ended, the program stays) and every other press is
    // Ignored. Before a save runs, greyChoices greys every button but Cancel.
    enum class Press {
        Ignored,  // the dialog stays as it is
        Stay,     // the dialog closes, the program stays (Cancel, or a save failed)
        Leave,    // the dialog closes and the program leaves
    };
    Press Pressed(int buttonId, const ExitSaveActions& actions,
                  const std::function<void()>& greyChoices);

  private:
    bool saving_ = false;
    std::string caption_;
    std::string text_;
    std::vector<Button> buttons_;
};

}  // namespace zelt
