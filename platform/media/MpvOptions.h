#pragma once

#include <QPair>
#include <QString>
#include <QStringList>

class EngineSession;

// The engine's options as the program keeps them: "name=value" texts, later ones winning.

// "name=value" split in two; a bare name means "yes".
QPair<QString, QString> splitOption(const QString& option);
// The value the last option of that name sets; empty when none does.
QString optionValue(const QStringList& options, const QString& name);
// The engine needs the C numeric locale; Qt sets the user's at start-up.
void ensureCLocale();

// The engine options every control starts with: no user configuration, no scripts, an idle engine,
// end-of-file events only when the sound has finished.
QStringList mpvDefaultOptions();
// The options a control is made with: the defaults, then VIDMARRO_MPV_OPTIONS (blank-separated
// name=value pairs), then extraOptions.
QStringList mpvEffectiveOptions(const QStringList& extraOptions = {});

// Plays at `rate`, keeping the pitch down to 0.2x. The pitch-keeping filter is in the chain only at
// rates other than 1.0, since it costs each clip the first moments of its sound; *tempo says
// whether it is there now. Where the filter may not come in (mayAdd) nothing changes; where it may
// not go (mayRemove) it plays on at 1.0x. False when something was left for later.
bool setEngineRate(EngineSession& session, double rate, bool* tempo, bool mayAdd = true,
                   bool mayRemove = true);
