#include "ui/panel/CPanelControls.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include "ui/WidgetIds.h"
#include "ui/panel/CButtonGBox.h"
#include "ui/panel/CPanelStyle.h"
#include "ui/schedule/CSpinButton.h"

namespace zelt {

namespace {

using Kind = PanelControlKind;
using namespace panel_layout;

QRect WinRect(const PanelRect& r) {
    return QRect(r.left, r.top, r.Width(), r.Height());
}

QString Pick(bool english, const char* en, const char* zh) {
    return QString::fromUtf8(english ? en : zh);
}

void SetText(QWidget* widget, const QString& text) {
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(text);
    }
}

QLineEdit* MakeEdit(QWidget* parent, Qt::Alignment alignment, bool readOnly) {
    auto* edit = new QLineEdit(parent);
    edit->setFrame(false);
    edit->setAlignment(alignment | Qt::AlignVCenter);
    edit->setReadOnly(readOnly);
    edit->setTextMargins(0, 0, 0, 0);
    edit->setContentsMargins(0, 0, 0, 0);
    return edit;
}

}  // namespace

CPanelControls::CPanelControls(QWidget* parent, bool english) {
    CreateGroups(parent, english);
    PlaceGroups(parent->rect());
    CreateControls(parent, english);
    Relabel(english, 0);
}

void CPanelControls::PlaceGroups(const QRect& client) {
    const auto rects = GroupRects(client.width(), client.height());
    const auto groups = Groups();
    for (size_t i = 0; i < groups.size(); ++i) {
        Group(groups[i].id)->setGeometry(WinRect(rects[i]));
    }
}

void CPanelControls::CreateGroups(QWidget* parent, bool english) {
    for (const PanelGroup& group : Groups()) {
        auto* box = new CButtonGBox(Pick(english, group.english, group.chinese), english, parent);
        NameById(box, group.id);
        box->setFont(english ? CPanelStyle::GroupFont() : CPanelStyle::GroupFontChinese());
        byId_[group.id] = box;
        all_.push_back(box);
    }
    // The tab control lies over the battery group, so it comes after the groups.
    tabs_ = new QTabWidget(parent);
    NameById(tabs_, kTabControlId);
    tabs_->setGeometry(WinRect(kTabRect));
    tabs_->setFont(CPanelStyle::LabelFont());
    tabs_->addTab(new QWidget, QString::fromUtf8(TabText(0, english)));
    tabs_->addTab(new QWidget, QString::fromUtf8(TabText(1, english)));
    tabs_->setCurrentIndex(0);
    byId_[kTabControlId] = tabs_;
    all_.push_back(tabs_);
}

void CPanelControls::CreateControls(QWidget* parent, bool english) {
    const QFont labelFont = CPanelStyle::LabelFont();
    QButtonGroup* pair = nullptr;
    for (const PanelControl& entry : Controls()) {
        QWidget* widget = nullptr;
        switch (entry.kind) {
            case Kind::Label: {
                auto* label = new QLabel(parent);
                label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
                widget = label;
                break;
            }
            case Kind::Edit:
                widget = MakeEdit(parent, Qt::AlignHCenter, false);
                break;
            case Kind::ReadOnlyEdit:
                widget = MakeEdit(parent, Qt::AlignHCenter, true);
                break;
            case Kind::ReadOnlyLeftEdit:
                widget = MakeEdit(parent, Qt::AlignLeft, true);
                break;
            case Kind::Spin: {
                // The default range runs from 100 down to 0, so the upper arrow reports -1.
                auto* spin = new CSpinButton(entry.id, 100, 0, false, parent);
                spin->SetBuddy(all_.back());  // the edit before it
                widget = spin;
                break;
            }
            case Kind::Button:
                widget = new QPushButton(parent);
                break;
            case Kind::Radio: {
                auto* radio = new QRadioButton(parent);
                if ((entry.flags & kRadioPair) != 0) {
                    pair = new QButtonGroup(parent);
                }
                pair->addButton(radio);
                radio->setChecked((entry.flags & kChecked) != 0);
                widget = radio;
                break;
            }
            case Kind::Check:
                widget = new QCheckBox(parent);
                // A check box puts its text close to the box, as in a 40-pixel-wide cell.
                widget->setStyleSheet(QStringLiteral("QCheckBox { spacing: 3px; }"));
                break;
            case Kind::Combo:
                widget = new QComboBox(parent);
                break;
        }
        if (entry.kind != Kind::Edit && entry.kind != Kind::ReadOnlyEdit &&
            entry.kind != Kind::ReadOnlyLeftEdit && entry.kind != Kind::Spin &&
            entry.kind != Kind::Combo) {
            widget->setFont(labelFont);
        }
        if (auto* edit = qobject_cast<QLineEdit*>(widget); edit != nullptr && entry.limit > 0) {
            edit->setMaxLength(entry.limit);
        }
        widget->setGeometry(WinRect(entry.rect));
        widget->setEnabled((entry.flags & kDisabled) == 0);
        widget->setVisible((entry.flags & (kNeverShown | kAdvance)) == 0);
        if (entry.id != 0) {
            if (entry.id > 0) {
                NameById(widget, entry.id);
            }
            byId_[entry.id] = widget;
        }
        if ((entry.flags & kBasic) != 0) {
            basic_.push_back(widget);
        } else if ((entry.flags & kAdvance) != 0) {
            advance_.push_back(widget);
        }
        if (entry.Labelled()) {
            labelled_.push_back({widget, entry.english, entry.chinese});
        }
        SetText(widget, QString::fromUtf8(entry.Text(english)));
        if (entry.TakesInput()) {
            inputs_.push_back(widget);
        }
        all_.push_back(widget);
    }
}

void CPanelControls::Relabel(bool english, int systemVoltage) {
    const QFont groupFont = english ? CPanelStyle::GroupFont() : CPanelStyle::GroupFontChinese();
    for (const PanelGroup& group : Groups()) {
        CButtonGBox* box = Group(group.id);
        box->setTitle(group.id == kBatteryGroupId
                          ? QString::fromStdString(BatteryTitle(english, systemVoltage))
                          : Pick(english, group.english, group.chinese));
        box->setFont(groupFont);
    }
    tabs_->setTabText(0, QString::fromUtf8(TabText(0, english)));
    tabs_->setTabText(1, QString::fromUtf8(TabText(1, english)));
    for (const Labelled& control : labelled_) {
        SetText(control.widget, Pick(english, control.english, control.chinese));
    }
    PlaceChargeRow(english);
}

void CPanelControls::PlaceChargeRow(bool english) {
    for (const ChargeRowCell& cell : ChargeRow(english)) {
        Widget(cell.labelTag)->setGeometry(WinRect(cell.label));
        Widget(cell.displayId)->setGeometry(WinRect(cell.display));
    }
}

QWidget* CPanelControls::Widget(int id) const {
    const auto it = byId_.find(id);
    return it == byId_.end() ? nullptr : it->second;
}

QLineEdit* CPanelControls::Edit(int id) const {
    return qobject_cast<QLineEdit*>(Widget(id));
}

CSpinButton* CPanelControls::Spin(int id) const {
    return qobject_cast<CSpinButton*>(Widget(id));
}

QAbstractButton* CPanelControls::Button(int id) const {
    return qobject_cast<QAbstractButton*>(Widget(id));
}

QLabel* CPanelControls::Label(int tag) const {
    return qobject_cast<QLabel*>(Widget(tag));
}

QComboBox* CPanelControls::Combo(int id) const {
    return qobject_cast<QComboBox*>(Widget(id));
}

CButtonGBox* CPanelControls::Group(int id) const {
    return qobject_cast<CButtonGBox*>(Widget(id));
}

std::vector<QWidget*> CPanelControls::AllControls() const {
    return all_;
}

}  // namespace zelt
