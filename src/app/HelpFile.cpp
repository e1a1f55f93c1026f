#include "app/HelpFile.h"

#include <QCoreApplication>
#include <QDir>

namespace zelt {

QString HelpFilePath(bool english) {
    return QDir(QCoreApplication::applicationDirPath())
        .filePath(QLatin1String(HelpFileName(english)));
}

}  // namespace zelt
