#pragma once

#include <QString>

class QProcess;

// The first python3 on the PATH that has dbusmock; empty when there is none.
QString pythonWithDbusmock();

// Ends a helper process: asked first, killed if it does not go.
void stopProcess(QProcess& p);
