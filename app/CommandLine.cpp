#include "app/CommandLine.h"

#include "app/wmt.h"

#include <QDir>
#include <QUrl>

CommandLine CommandLine::read(const QStringList& args)
{
    CommandLine line;
    bool options = true;
    for (const QString& arg : args) {
        if (options && arg == QLatin1String("--")) {
            options = false;
            continue;
        }
        if (options && arg.size() > 1 && arg.startsWith(u'-')) {
            if (line.unknownOption.isEmpty())
                line.unknownOption = arg;
            continue;
        }
        // An address is refused by name when the files are opened, not turned into a path here.
        if (TForm1::isWebAddress(arg)) {
            line.files.append(arg);
            continue;
        }
        const QString path = arg.startsWith(QLatin1String("file:")) ? QUrl(arg).toLocalFile() : arg;
        line.files.append(QDir::cleanPath(QDir::current().absoluteFilePath(path)));
    }
    return line;
}
