#pragma once

#include <QByteArray>
#include <QString>

class QProcess;

// The first python3 on the PATH that has dbusmock; empty when there is none.
QString pythonWithDbusmock();

// Calls of `method` in a dbusmock call log (one line per call: a time stamp, the method's name, its
// arguments; a call that raised gets a second line saying so).
int dbusmockCalls(const QString& log, const QByteArray& method);

// Ties a helper process to this test before it is started: it is killed when the test ends, even
// by a crash or an abort, which run no destructor. A helper left running would hold the test's
// output open, and whoever waits on that output would wait on.
void endWithTest(QProcess& p);

// Ends a helper process: asked first, killed if it does not go.
void stopProcess(QProcess& p);
