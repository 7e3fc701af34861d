#include "platform/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace platform {

bool installQtTranslations(const char* languageCode, QObject* owner)
{
    const QLocale language(QString::fromLatin1(languageCode));
    if (language.language() == QLocale::English)
        return true;
    auto* translator = new QTranslator(owner);
    if (!translator->load(language, QStringLiteral("qtbase"), QStringLiteral("_"),
            QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

} // namespace platform
