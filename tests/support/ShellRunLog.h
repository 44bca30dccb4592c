#pragma once

#include "clipmanager/SHFileOp.h"
#include "platform/files/ShellFileOperation.h"

#include <QObject>

// What a TShellFileOp handed the shell: the record of its last run and how many runs there were.
class ShellRunLog
{
public:
    explicit ShellRunLog(TShellFileOp& op)
    {
        QObject::connect(&op, &TShellFileOp::ran, &m_context, [this](const ShellFileOperation::Record& r) {
            m_last = r;
            ++m_runs;
        });
    }

    const ShellFileOperation::Record& lastRecord() const { return m_last; }
    int runs() const { return m_runs; }

private:
    QObject m_context;
    ShellFileOperation::Record m_last;
    int m_runs = 0;
};

// A TShellFileOp that logs its own runs.
class LoggedShellFileOp : public TShellFileOp
{
public:
    explicit LoggedShellFileOp(Prompts& prompts) : TShellFileOp(prompts), m_log(*this) {}

    const ShellFileOperation::Record& lastRecord() const { return m_log.lastRecord(); }
    int runs() const { return m_log.runs(); }
    // Whether the trash switch is on now, outside a delete.
    bool undo() const
    {
        return (flagsFor(ShellFileOperation::FO_DELETE) & ShellFileOperation::FOF_ALLOWUNDO) != 0;
    }

private:
    ShellRunLog m_log;
};
