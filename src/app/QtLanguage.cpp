#include "app/QtLanguage.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace zelt {

namespace {
// Debian's Qt translations package puts it in Qt's translations folder.
const char* const kQtCatalogue = "qtbase_zh_TW";
}  // namespace

bool FollowLanguageInQtTexts(bool english) {
    QCoreApplication* application = QCoreApplication::instance();
    // The catalogue is loaded once and kept by the application object, installed or not.
    auto* catalogue = application->findChild<QTranslator*>(QLatin1String(kQtCatalogue));
    if (catalogue == nullptr) {
        catalogue = new QTranslator(application);
        catalogue->setObjectName(QLatin1String(kQtCatalogue));
        if (!catalogue->load(QLatin1String(kQtCatalogue),
                             QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
            delete catalogue;
            return english;
        }
    }
    QCoreApplication::removeTranslator(catalogue);
    if (!english) {
        QCoreApplication::installTranslator(catalogue);
    }
    return true;
}

}  // namespace zelt
