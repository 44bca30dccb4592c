#pragma once

#include "common/SharedState.h"
#include "platform/Services.h"
#include "support/RecordingServices.h"
#include "support/ScriptedPrompts.h"

#include <QTemporaryDir>

// What the main window needs in a test: its own folder, scripted answers and recorded system calls.
struct WindowFixture
{
    QTemporaryDir dir;
    ScriptedPrompts prompts;
    RecordingServices system;
    Services services{prompts, system, nullptr};
    SharedState state;
    QString ini() const { return dir.filePath(QStringLiteral("Vidmarro.INI")); }
};
