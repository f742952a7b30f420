#include "platform/gui/qt_translations.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace tivka {

bool InstallQtTranslations(QCoreApplication& app)
{
    auto* translator = new QTranslator(&app);
    // The window speaks Russian whatever the user's locale.
    if (!translator->load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return app.installTranslator(translator);
}

}  // namespace tivka
