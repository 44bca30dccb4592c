#pragma once

#include <QStringList>

#include <functional>
#include <memory>

class EngineSession;

class QObject;

// Whether the media engine can be had: made and initialised with the options a control gets.

// The test made in this process; it loads the engine's libraries here.
bool mpvEngineAvailable(const QStringList& extraOptions = {});

// The same test made by the program itself, started again with a private argument, so that this
// process does not carry the engine's libraries (some 45 MB resident) before a clip is played.
// Returns at once; done gets the answer later on the GUI thread, unless context's destruction has
// begun by then (the check is then ended unheard).
// Falls back to the test in a worker thread of this process when no child can be started or the
// child gives no answer in time. After mpvEnginePreload, takes the preload's answer instead.
void mpvEngineCheckApart(QObject* context, std::function<void(bool)> done,
                         const QStringList& extraOptions = {});

// For a start that plays at once: loads the engine's libraries into this process and makes an
// engine with options (those of the control to come: MpvPlayer::engineOptions), on a thread of its
// own, while the windows are made; then loads the graphics driver its video output will use. No
// library loads and no thread starts elsewhere while the libraries load (the loader holds its
// lock): the GUI thread's own should be loaded and running by then.
void mpvEnginePreload(const QStringList& options);
// True while such a preload has not yet made its engine.
bool mpvEnginePreloading();
// The preloaded engine, for a control made with the same options; waits for it while it is being
// made. Null when there is none (or it failed, or was taken already).
std::unique_ptr<EngineSession> mpvTakePreloadedSession(const QStringList& options);

// The check apart, waited for: for callers that have nothing else to do meanwhile.
bool mpvEngineAvailableApart(const QStringList& extraOptions = {});

// The child's side of the check apart: in a process started with the check's private argument,
// tries the engine and ends the process, its exit status the answer; otherwise returns at once.
// The program calls it first thing, so that the child answers before the toolkit starts. With glibc
// the answer comes earlier still, from a constructor that runs before main in any program linking
// this file (tests included); the call then only returns.
void answerEngineProbe(int argc, char** argv);
