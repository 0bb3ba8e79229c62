#pragma once
// Qt's own texts (standard buttons, the file dialog) in Hebrew, from Qt's translations.

class QApplication;
class QCoreApplication;

namespace zivron::qt {

// True when Qt's Hebrew translations were found and installed.
bool LoadHebrewTranslations(QCoreApplication& app);

// Room around every button's text, the message boxes' OK, Yes and No among them.
void GiveButtonsRoom(QApplication& app);

}  // namespace zivron::qt
