#pragma once

#include <QString>
#include <QStringList>

// Running a program of the build as another user. That user may not be able to enter the build
// folder (a clone in a private folder, under /root or in a mode 0700 temporary folder), so the
// program runs from a copy in a folder everyone can enter.
namespace OtherUser {

// setpriv's command to run as nobody when this process is root; empty otherwise (the user is as
// unprivileged as it gets already).
QStringList wrapper();

// A copy of `program`, with the engine module that lies beside it, that every user can run; the
// copy lasts until this process ends. Empty, with the reason in `why`, when there is no folder
// that other users can enter.
QString reachableCopy(const QString& program, QString* why);

} // namespace OtherUser
