// The user's language: the program's own translation and Qt's, for the windows and for --help.
#pragma once

#include <QLocale>
#include <QString>

class QTranslator;

namespace Languages {

// The folder of the running program, known before the application object exists.
QString programDir();
// vidmarro_<lang>.qm for `locale`, from the program's folder (translations/ in the build tree) or
// from its installed data folder. False without one: the texts stay as written.
bool loadOwn(QTranslator& translator, const QLocale& locale, const QString& programDir);
// Qt's own qtbase_<lang>.qm: the words of its file dialogs and message box buttons.
bool loadQt(QTranslator& translator, const QLocale& locale);

} // namespace Languages
