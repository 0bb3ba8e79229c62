#pragma once
// Qt's own texts (standard buttons, the file dialog) in Hebrew, from Qt's translations.

class QCoreApplication;

namespace zivron::qt {

// True when Qt's Hebrew translations were found and installed.
bool LoadHebrewTranslations(QCoreApplication& app);

}  // namespace zivron::qt
