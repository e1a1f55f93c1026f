#include "app/CDlgExitConfirm.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/WidgetIds.h"

namespace zelt {

CDlgExitConfirm::CDlgExitConfirm(const CMainApp& app, ExitSaveActions actions, QWidget* parent)
    : QDialog(parent), actions_(std::move(actions)) {
    setWindowTitle(QString::fromUtf8(app.Text("Exit & Save Confirm", "確認結束與儲存")));
    auto* text = new QLabel(
        QString::fromUtf8(
            app.Text("You have modified configuration data and not to save, Are you sure to save ?",
                     "您已經修改過參數卻未儲存, 請確定是否要儲存 ?")),
        this);
    NameById(text, IDC_TEXT);

    struct ButtonRow {
        int id;
        const char* english;
        const char* chinese;
        bool enabled;
    };
    const bool controllerSaved = app.savedToController == 1;
    const bool fileSaved = app.savedToFile == 1;
    const ButtonRow rows[] = {
        {IDC_SAVE_TO_CONTROLLER, "Yes, Save to Controller", "是的, 存到控制器", !controllerSaved},
        {IDC_SAVE_TO_FILE, "Yes, Save to File", "是的, 存到檔案", !fileSaved},
        {IDC_SAVE_BOTH, "Yes, Save Both", "是的, 兩者皆存", !controllerSaved && !fileSaved},
        {IDC_EXIT_NOW, "No, Exit Now", "不, 直接結束", true},
        {IDCANCEL, "Cancel", "取消", true},
    };
    auto* buttons = new QHBoxLayout;
    for (const ButtonRow& row : rows) {
        auto* button = new QPushButton(QString::fromUtf8(app.Text(row.english, row.chinese)), this);
        NameById(button, row.id);
        button->setEnabled(row.enabled);
        button->setAutoDefault(false);
        button->setDefault(row.id == IDC_SAVE_TO_CONTROLLER);
        connect(button, &QPushButton::clicked, this, [this, id = row.id] { Choose(id); });
        buttons->addWidget(button);
    }
    auto* column = new QVBoxLayout(this);
    column->addWidget(text);
    column->addLayout(buttons);
}

void CDlgExitConfirm::Choose(int buttonId) {
    const auto run = [](const std::function<bool()>& save) { return !save || save(); };
    switch (buttonId) {
        case IDC_SAVE_TO_CONTROLLER:
            saveSucceeded_ = run(actions_.saveToController);
            break;
        case IDC_SAVE_TO_FILE:
            saveSucceeded_ = run(actions_.saveToFile);
            break;
        case IDC_SAVE_BOTH: {
            // Both run even when the first fails: whatever can be saved is saved.
            const bool toController = run(actions_.saveToController);
            const bool toFile = run(actions_.saveToFile);
            saveSucceeded_ = toController && toFile;
            break;
        }
        case IDC_EXIT_NOW:
            break;
        default:
            reject();
            return;
    }
    accept();
}

}  // namespace zelt
