#pragma once
// Controls, buttons and panes carry their numeric resource id as object name ("id1025"), so
// tests and accessibility tools find them by the id the program uses.

#include <QObject>
#include <QString>

namespace zelt {

inline QString IdName(int id) {
    return QStringLiteral("id%1").arg(id);
}

inline void NameById(QObject* object, int id) {
    object->setObjectName(IdName(id));
}

}  // namespace zelt
