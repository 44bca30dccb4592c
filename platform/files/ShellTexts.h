#pragma once

#include <QString>

// What the shell file operation says: the progress window's verb, the words of its error boxes and
// of the questions it asks. `operation` is one of the ShellFileOperation codes.
namespace ShellTexts {

// "Copying", "Moving", "Deleting" or "Moving to the trash".
QString verb(unsigned operation, bool toTrash);
// "copy", "move" or "delete", as in "Cannot copy a.mpg: ...".
QString action(unsigned operation);
QString errorCaption(unsigned operation);

// The question before a delete of `count` items, the first of them named `firstName`.
QString deleteCaption(qsizetype count);
QString deleteQuestion(qsizetype count, const QString& firstName, bool toTrash);

} // namespace ShellTexts
