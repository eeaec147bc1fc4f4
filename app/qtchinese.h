#pragma once

class QCoreApplication;

// Puts Qt's own texts (the buttons of message boxes, the menus of text boxes) into simplified Chinese
// like every other text of the program, whatever language the system is set to. Qt's translation comes
// with the system's Qt (Debian: qt6-translations-l10n); where it is not installed, Qt's English stays.
// Returns whether the translation was found.
bool installQtChinese(QCoreApplication& app);
