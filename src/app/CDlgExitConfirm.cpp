#include "app/CDlgExitConfirm.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/WidgetIds.h"

namespace zelt {

CDlgExitConfirm::CDlgExitConfirm(const CMainApp& app, ExitSaveActions actions, QWidget* parent)
    : QDialog(parent), actions_(std::move(actions)) {
    const CExitQuestion question(app);
    setWindowTitle(Qs(question.Caption()));
    auto* text = new QLabel(Qs(question.Text()), this);
    NameById(text, CExitQuestion::IDC_TEXT);
    auto* buttons = new QHBoxLayout;
    for (const CExitQuestion::Button& row : question.Buttons()) {
        auto* button = new QPushButton(Qs(row.text), this);
        NameById(button, row.id);
        button->setEnabled(row.enabled);
        button->setAutoDefault(false);
        button->setDefault(row.isDefault);
        connect(button, &QPushButton::clicked, this, [this, id = row.id] { Choose(id); });
        buttons->addWidget(button);
    }
    auto* column = new QVBoxLayout(this);
    column->addWidget(text);
    column->addLayout(buttons);
}

void CDlgExitConfirm::Choose(int buttonId) {
    const std::optional<bool> saved = CExitQuestion::Choose(buttonId, actions_);
    if (!saved) {
        reject();
        return;
    }
    saveSucceeded_ = *saved;
    accept();
}

}  // namespace zelt
