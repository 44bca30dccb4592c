#include "app/Languages.h"

#include <QFileInfo>
#include <QLibraryInfo>
#include <QTranslator>

namespace Languages {

namespace {

// The first of the user's languages that has a file `name`_<lang>.qm in one of `dirs`. English (or
// the C locale) ahead of it stops the search: the texts are written in English.
bool load(QTranslator& translator, const QLocale& locale, const QString& name, const QStringList& dirs)
{
    for (const QString& language : locale.uiLanguages()) {
        const QLocale one(language);
        if (one.language() == QLocale::English || one.language() == QLocale::C)
            return false;
        for (const QString& dir : dirs) {
            if (translator.load(one, name, QStringLiteral("_"), dir))
                return true;
        }
    }
    return false;
}

} // namespace

QString programDir()
{
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
}

bool loadOwn(QTranslator& translator, const QLocale& locale, const QString& programDir)
{
    return load(translator, locale, QStringLiteral("vidmarro"),
                {programDir + QStringLiteral("/translations"),
                 programDir + QStringLiteral("/" VIDMARRO_TRANSLATIONS_FROM_BIN)});
}

bool loadQt(QTranslator& translator, const QLocale& locale)
{
    return load(translator, locale, QStringLiteral("qtbase"),
                {QLibraryInfo::path(QLibraryInfo::TranslationsPath)});
}

} // namespace Languages
