#pragma once

#include <QCoreApplication>

namespace tivka {

// Loads Qt's own Russian texts (the file dialog, the standard buttons, the
// context menus of text fields) from the system's Qt translations, so that
// they match the window's Russian. The translator belongs to `app`. False
// when the system has none (Debian: qt6-translations-l10n); Qt's texts then
// stay in English.
bool InstallQtTranslations(QCoreApplication& app);

}  // namespace tivka
