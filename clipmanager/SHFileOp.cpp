#include "clipmanager/SHFileOp.h"

using namespace ShellFileOperation;

TShellFileOp::TShellFileOp(Prompts& prompts, QObject* parent) : QObject(parent), m_prompts(prompts)
{
    m_sources.setSorted(true);
}

void TShellFileOp::AddSource(const QString& path)
{
    if (m_sources.indexOfNoCase(path) < 0)
        m_sources.add(path);
}

bool TShellFileOp::DeleteFiles()
{
    // The switch belongs to this delete alone: a later copy or move must not carry it.
    m_undo = true;
    const bool aborted = run(FO_DELETE);
    m_undo = false;
    return aborted;
}

void TShellFileOp::CopyFiles(const QString& destination)
{
    m_destination = destination;
    run(FO_COPY);
}

void TShellFileOp::MoveFiles(const QString& destination)
{
    m_destination = destination;
    run(FO_MOVE);
}

unsigned TShellFileOp::flagsFor(unsigned operation) const
{
    unsigned flags = 0;
    if (FilesOnly)
        flags |= FOF_FILESONLY;
    if (NoConfirmation)
        flags |= FOF_NOCONFIRMATION;
    if (!Animate)
        flags |= FOF_SILENT;
    if (m_undo)
        flags |= FOF_ALLOWUNDO;
    if (!ProgressTitle.isEmpty())
        flags |= FOF_SIMPLEPROGRESS;
    if (operation != FO_DELETE && AutoMakeDir)
        flags |= FOF_NOCONFIRMMKDIR;
    if (operation != FO_DELETE && RenameOnCollision)
        flags |= FOF_RENAMEONCOLLISION;
    return flags;
}

bool TShellFileOp::run(unsigned operation)
{
    if (m_sources.isEmpty())
        return false;
    Record record;
    record.owner = m_owner;
    record.operation = operation;
    record.sources = m_sources.items();
    record.destination = m_destination;
    record.flags = flagsFor(operation);
    if (record.flags & FOF_SIMPLEPROGRESS)
        record.progressTitle = ProgressTitle;
    // Whatever happens in the shell, the batch is spent.
    struct Clear
    {
        StringList& list;
        ~Clear() { list.clear(); }
    } clear{m_sources};
    ShellFileOperation::run(record, m_prompts);
    Q_EMIT ran(record);
    return record.anyOperationsAborted;
}
