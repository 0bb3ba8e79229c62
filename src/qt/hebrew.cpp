#include "qt/hebrew.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace zivron::qt {

bool LoadHebrewTranslations(QCoreApplication& app) {
    auto* translator = new QTranslator(&app);
    if (!translator->load("qtbase_he", QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

}  // namespace zivron::qt
