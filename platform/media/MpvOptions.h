#pragma once

#include <QPair>
#include <QString>
#include <QStringList>

// The engine's options as the program keeps them: "name=value" texts, later ones winning.

// "name=value" split in two; a bare name means "yes".
QPair<QString, QString> splitOption(const QString& option);
// The value the last option of that name sets; empty when none does.
QString optionValue(const QStringList& options, const QString& name);
// The engine needs the C numeric locale; Qt sets the user's at start-up.
void ensureCLocale();

// The engine options every control starts with: no user configuration, no scripts, an idle engine,
// audio that keeps its pitch down to 0.2x, end-of-file events only when the sound has finished.
QStringList mpvDefaultOptions();
// The options a control is made with: the defaults, then VIDMARRO_MPV_OPTIONS (blank-separated
// name=value pairs), then extraOptions.
QStringList mpvEffectiveOptions(const QStringList& extraOptions = {});
