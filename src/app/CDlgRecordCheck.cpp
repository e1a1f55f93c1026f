#include "app/CDlgRecordCheck.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "models/DialogTexts.h"
#include "ui/WidgetIds.h"

namespace zelt {

CDlgRecordCheck::CDlgRecordCheck(const std::vector<std::string>& problems, bool english,
                                 QWidget* parent)
    : QDialog(parent) {
    const RecordCheckTexts labels = MakeRecordCheckTexts(problems, english);
    setWindowTitle(Qs(labels.caption));
    auto* label = new QLabel(Qs(labels.text), this);
    NameById(label, IDC_TEXT);
    auto* correct = new QPushButton(Qs(labels.correct), this);
    NameById(correct, IDOK);
    auto* cancel = new QPushButton(Qs(labels.cancel), this);
    NameById(cancel, IDCANCEL);
    cancel->setDefault(true);  // Enter sends nothing
    connect(correct, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* grid = new QGridLayout(this);
    grid->addWidget(label, 0, 0, 1, 2);
    grid->addWidget(correct, 1, 0);
    grid->addWidget(cancel, 1, 1);
}

}  // namespace zelt
