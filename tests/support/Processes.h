#pragma once

#include <QByteArray>
#include <QString>

class QProcess;

// The first python3 on the PATH that has dbusmock; empty when there is none.
QString pythonWithDbusmock();

// Calls of `method` in a dbusmock call log (one line per call: a time stamp, the method's name, its
// arguments; a call that raised gets a second line saying so).
int dbusmockCalls(const QString& log, const QByteArray& method);

// Ends a helper process: asked first, killed if it does not go.
void stopProcess(QProcess& p);
