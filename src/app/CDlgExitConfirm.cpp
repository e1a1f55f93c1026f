#include "app/CDlgExitConfirm.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/WidgetIds.h"

namespace zelt {

CDlgExitConfirm::CDlgExitConfirm(const CMainApp& app, ExitSaveActions actions, QWidget* parent)
    : QDialog(parent), actions_(std::move(actions)), question_(app) {
    setWindowTitle(Qs(question_.Caption()));
    auto* text = new QLabel(Qs(question_.Text()), this);
    NameById(text, CExitQuestion::IDC_TEXT);
    auto* buttons = new QHBoxLayout;
    for (const CExitQuestion::Button& row : question_.Buttons()) {
        auto* button = new QPushButton(Qs(row.text), this);
        NameById(button, row.id);
        button->setEnabled(row.enabled);
        button->setAutoDefault(false);
        button->setDefault(row.isDefault);
        connect(button, &QPushButton::clicked, this, [this, id = row.id] { Press(id); });
        buttons->addWidget(button);
        if (row.id != CExitQuestion::IDC_CANCEL) {
            choices_.push_back(button);
        }
    }
    auto* column = new QVBoxLayout(this);
    column->addWidget(text);
    column->addLayout(buttons);
}

void CDlgExitConfirm::Press(int buttonId) {
    const auto greyChoices = [this] {
        for (QPushButton* button : choices_) {
            button->setEnabled(false);
        }
    };
    switch (question_.Pressed(buttonId, actions_, greyChoices)) {
        case CExitQuestion::Press::Ignored:
            return;
        case CExitQuestion::Press::Stay:
            QDialog::reject();
            return;
        case CExitQuestion::Press::Leave:
            accept();
            return;
    }
}

void CDlgExitConfirm::reject() {
    Press(CExitQuestion::IDC_CANCEL);
}

}  // namespace zelt
