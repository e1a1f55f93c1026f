#pragma once
// Controls, buttons and panes carry their numeric resource id as object name ("id1025"), so
// tests and accessibility tools find them by the id the program uses.

#include <QObject>
#include <QString>
#include <string>

namespace zelt {

inline QString IdName(int id) {
    return QStringLiteral("id%1").arg(id);
}

inline void NameById(QObject* object, int id) {
    object->setObjectName(IdName(id));
}

// The same, for use in a creation expression: layout->addWidget(Named(new QLabel, 1012)).
template <typename Object>
Object* Named(Object* object, int id) {
    NameById(object, id);
    return object;
}

// The system's texts are UTF-8 std::strings; widgets take QStrings.
inline QString Qs(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

}  // namespace zelt
