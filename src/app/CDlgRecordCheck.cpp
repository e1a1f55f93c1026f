#include "app/CDlgRecordCheck.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "ui/WidgetIds.h"

namespace zelt {

namespace {

std::string Lines(const std::vector<std::string>& problems) {
    std::string text;
    for (const std::string& line : problems) {
        text += "\n" + line;
    }
    return text;
}

}  // namespace

CDlgRecordCheck::CDlgRecordCheck(const std::vector<std::string>& problems, bool english,
                                 QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QString::fromUtf8(english ? "Error" : "錯誤"));
    const std::string text =
        (english ? "These values are outside the controller's limits; nothing has been sent:\n"
                 : "以下數值超出控制器的範圍, 尚未傳送任何參數:\n") +
        Lines(problems) +
        (english ? "\n\nCorrect them as the panel would and send?" : "\n\n依面板規則修正後傳送?");
    auto* label = new QLabel(QString::fromStdString(text), this);
    NameById(label, IDC_TEXT);
    auto* correct =
        new QPushButton(QString::fromUtf8(english ? "Correct and Send" : "修正並傳送"), this);
    NameById(correct, IDOK);
    auto* cancel = new QPushButton(QString::fromUtf8(english ? "Cancel" : "取消"), this);
    NameById(cancel, IDCANCEL);
    cancel->setDefault(true);  // Enter sends nothing
    connect(correct, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* grid = new QGridLayout(this);
    grid->addWidget(label, 0, 0, 1, 2);
    grid->addWidget(correct, 1, 0);
    grid->addWidget(cancel, 1, 1);
}

std::string CDlgRecordCheck::UncorrectedText(const std::vector<std::string>& problems,
                                             bool english) {
    return (english ? "These values could not be corrected; nothing has been sent:\n"
                    : "以下數值無法修正, 尚未傳送任何參數:\n") +
           Lines(problems);
}

}  // namespace zelt
