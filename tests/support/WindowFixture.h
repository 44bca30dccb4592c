#pragma once

#include "common/SharedState.h"
#include "platform/Services.h"
#include "support/RecordingMedia.h"
#include "support/RecordingServices.h"
#include "support/ScriptedPrompts.h"

#include <QTemporaryDir>

// What the main window needs in a test: its own folder, scripted answers, recorded system calls and
// engine checks.
struct WindowFixture
{
    QTemporaryDir dir;
    ScriptedPrompts prompts;
    RecordingServices system;
    RecordingMedia media;
    Services services{prompts, system, media};
    SharedState state;
    QString ini() const { return dir.filePath(QStringLiteral("Vidmarro.INI")); }
};
