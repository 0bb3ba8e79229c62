#include "qt/hebrew.h"

#include <QApplication>
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

void GiveButtonsRoom(QApplication& app) {
    app.setStyleSheet("QPushButton { padding: 4px 14px; min-width: 56px; }");
}

}  // namespace zivron::qt
