#pragma once

#include <QString>
#include <QStringList>

// The command line once the toolkit has taken its own options out.
struct CommandLine
{
    QStringList files;     // absolute paths (file: URLs as their paths); web addresses as given
    QString unknownOption; // the first option that is not ours; empty when there is none

    // `args` without the program's name. "--" ends the options: what follows is a file, even
    // when it starts with "-".
    static CommandLine read(const QStringList& args);
};
