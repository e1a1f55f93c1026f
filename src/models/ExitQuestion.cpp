#include "models/ExitQuestion.h"

#include "models/DialogTexts.h"
#include "panel/ControllerTexts.h"

namespace zelt {

CExitQuestion::CExitQuestion(const CMainApp& app)
    : caption_(app.Text("Exit & Save Confirm", "確認結束與儲存")),
      text_(app.Text("You have modified configuration data and not to save, Are you sure to save ?",
                     "您已經修改過參數卻未儲存, 請確定是否要儲存 ?")) {
    const bool controllerSaved = app.savedToController == 1;
    const bool fileSaved = app.savedToFile == 1;
    buttons_ = {
        {IDC_SAVE_TO_CONTROLLER, app.Text("Yes, Save to Controller", "是的, 存到控制器"),
         !controllerSaved, true},
        {IDC_SAVE_TO_FILE, app.Text("Yes, Save to File", "是的, 存到檔案"), !fileSaved, false},
        {IDC_SAVE_BOTH, app.Text("Yes, Save Both", "是的, 兩者皆存"),
         !controllerSaved && !fileSaved, false},
        {IDC_EXIT_NOW, app.Text("No, Exit Now", "不, 直接結束"), true, false},
        {IDC_CANCEL, Pick(app, texts::kCancel), true, false},
    };
}

std::optional<bool> CExitQuestion::Choose(int buttonId, const ExitSaveActions& actions) {
    const auto run = [](const std::function<bool()>& save) { return !save || save(); };
    switch (buttonId) {
        case IDC_SAVE_TO_CONTROLLER:
            return run(actions.saveToController);
        case IDC_SAVE_TO_FILE:
            return run(actions.saveToFile);
        case IDC_SAVE_BOTH: {
            // Both run even when the first fails: whatever can be saved is saved.
            const bool toController = run(actions.saveToController);
            const bool toFile = run(actions.saveToFile);
            return toController && toFile;
        }
        case IDC_EXIT_NOW:
            return true;
        default:
            return std::nullopt;
    }
}

CExitQuestion::Press CExitQuestion::Pressed(int buttonId, const ExitSaveActions& actions,
                                            const std::function<void()>& greyChoices) {
    if (saving_) {
        if (buttonId == IDC_CANCEL && actions.cancelSave) {
            actions.cancelSave();
        }
        return Press::Ignored;
    }
    if (buttonId == IDC_EXIT_NOW) {
        return Press::Leave;
    }
    if (buttonId != IDC_SAVE_TO_CONTROLLER && buttonId != IDC_SAVE_TO_FILE &&
        buttonId != IDC_SAVE_BOTH) {
        return Press::Stay;
    }
    saving_ = true;
    greyChoices();
    const bool saved = Choose(buttonId, actions).value_or(false);
    saving_ = false;
    return saved ? Press::Leave : Press::Stay;
}

}  // namespace zelt
