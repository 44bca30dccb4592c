#pragma once

#include "common/FileResult.h"

#include <QString>
#include <QStringList>

class Prompts;
class QWidget;

// The desktop has no shell file operation, so this stands in for it: one batch of deletes, copies
// or moves, with the shell's questions, error boxes and progress window, driven by the same
// operation codes and flags.
namespace ShellFileOperation {

enum Operation : unsigned
{
    FO_MOVE = 1,
    FO_COPY = 2,
    FO_DELETE = 3
};

enum Flag : unsigned
{
    FOF_SILENT = 0x0004,
    FOF_RENAMEONCOLLISION = 0x0008,
    FOF_NOCONFIRMATION = 0x0010,
    FOF_ALLOWUNDO = 0x0040,
    FOF_FILESONLY = 0x0080,
    FOF_SIMPLEPROGRESS = 0x0100,
    FOF_NOCONFIRMMKDIR = 0x0200,
};

// What the caller hands over for one run, and the one result it reads back.
struct Record
{
    QWidget* owner = nullptr;
    unsigned operation = 0;
    QStringList sources; // full paths; a name may hold the wildcards * and ?
    QString destination; // the folder for copy and move
    unsigned flags = 0;
    QString progressTitle; // with FOF_SIMPLEPROGRESS
    bool anyOperationsAborted = false;
};

// Runs the batch to the end, or until the user cancels: Done when every item went through,
// Cancelled when the user stopped it or said no, else Failed with the last failure shown.
FileResult run(Record& record, Prompts& prompts);

} // namespace ShellFileOperation
