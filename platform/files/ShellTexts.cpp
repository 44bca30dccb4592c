#include "platform/files/ShellTexts.h"

#include "platform/files/ShellFileOperation.h"

#include <QCoreApplication>

namespace ShellTexts {

using namespace ShellFileOperation;

QString verb(unsigned operation, bool toTrash)
{
    switch (operation) {
    case FO_COPY:
        //: Before a file's name in the progress window.
        return QCoreApplication::translate("ShellFileOperation", "Copying");
    case FO_MOVE:
        return QCoreApplication::translate("ShellFileOperation", "Moving");
    default:
        return toTrash ? QCoreApplication::translate("ShellFileOperation", "Moving to the trash")
                       : QCoreApplication::translate("ShellFileOperation", "Deleting");
    }
}

QString action(unsigned operation)
{
    switch (operation) {
    case FO_COPY:
        return QStringLiteral("copy");
    case FO_MOVE:
        return QStringLiteral("move");
    default:
        return QStringLiteral("delete");
    }
}

QString errorCaption(unsigned operation)
{
    switch (operation) {
    case FO_COPY:
        return QCoreApplication::translate("ShellFileOperation", "Error Copying File or Folder");
    case FO_MOVE:
        return QCoreApplication::translate("ShellFileOperation", "Error Moving File or Folder");
    default:
        return QCoreApplication::translate("ShellFileOperation", "Error Deleting File or Folder");
    }
}

QString deleteCaption(qsizetype count)
{
    return count == 1 ? QCoreApplication::translate("ShellFileOperation", "Confirm File Delete")
                      : QCoreApplication::translate("ShellFileOperation", "Confirm Multiple File Delete");
}

QString deleteQuestion(qsizetype count, const QString& firstName, bool toTrash)
{
    if (count == 1)
        return toTrash ? QCoreApplication::translate("ShellFileOperation",
                                                     "Are you sure you want to move \"%1\" to the trash?")
                             .arg(firstName)
                       : QCoreApplication::translate("ShellFileOperation",
                                                     "Are you sure you want to permanently delete \"%1\"?")
                             .arg(firstName);
    return toTrash ? QCoreApplication::translate("ShellFileOperation",
                                                 "Are you sure you want to move these %1 items to the trash?")
                         .arg(count)
                   : QCoreApplication::translate(
                         "ShellFileOperation", "Are you sure you want to permanently delete these %1 items?")
                         .arg(count);
}

} // namespace ShellTexts
