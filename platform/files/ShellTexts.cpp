#include "platform/files/ShellTexts.h"

#include "platform/files/ShellFileOperation.h"

namespace ShellTexts {

using namespace ShellFileOperation;

QString verb(unsigned operation, bool toTrash)
{
    switch (operation) {
    case FO_COPY:
        return QStringLiteral("Copying");
    case FO_MOVE:
        return QStringLiteral("Moving");
    default:
        return toTrash ? QStringLiteral("Moving to the trash") : QStringLiteral("Deleting");
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
        return QStringLiteral("Error Copying File or Folder");
    case FO_MOVE:
        return QStringLiteral("Error Moving File or Folder");
    default:
        return QStringLiteral("Error Deleting File or Folder");
    }
}

QString deleteCaption(qsizetype count)
{
    return count == 1 ? QStringLiteral("Confirm File Delete")
                      : QStringLiteral("Confirm Multiple File Delete");
}

QString deleteQuestion(qsizetype count, const QString& firstName, bool toTrash)
{
    if (count == 1)
        return toTrash ? QStringLiteral("Are you sure you want to move \"%1\" to the trash?").arg(firstName)
                       : QStringLiteral("Are you sure you want to permanently delete \"%1\"?").arg(firstName);
    return toTrash ? QStringLiteral("Are you sure you want to move these %1 items to the trash?").arg(count)
                   : QStringLiteral("Are you sure you want to permanently delete these %1 items?").arg(count);
}

} // namespace ShellTexts
