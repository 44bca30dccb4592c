#pragma once

#include "common/StringList.h"
#include "platform/files/ShellFileOperation.h"

#include <QObject>
#include <QString>

class Prompts;
class QWidget;

// Hands a batch of files to the shell file operation: delete to the trash, copy or move to a
// folder. Collect the sources with AddSource, then run exactly one operation; every run empties the
// batch.
class TShellFileOp : public QObject
{
    Q_OBJECT
public:
    explicit TShellFileOp(Prompts& prompts, QObject* parent = nullptr);

    // Stored with the form.
    bool FilesOnly = false;         // wildcards match files only, never folders
    bool NoConfirmation = false;    // answer every question of the shell with yes
    bool AutoMakeDir = false;       // create a missing destination folder without asking
    bool RenameOnCollision = false; // give a copied or moved file a free name instead of replacing
    bool Animate = false;           // show the progress window; silent otherwise
    QString ProgressTitle;          // title of the simple progress window

    void AddSource(const QString& path);
    // Sends the batch to the trash. True when the user cancelled or declined any part of it.
    bool DeleteFiles();
    void CopyFiles(const QString& destination);
    void MoveFiles(const QString& destination);

    const StringList& sources() const { return m_sources; }
    const QString& destination() const { return m_destination; }
    // The shell flags a run of `operation` would carry now.
    unsigned flagsFor(unsigned operation) const;

Q_SIGNALS:
    // A run reached the shell and came back; `record` is what it was handed and answered.
    void ran(const ShellFileOperation::Record& record);

private:
    bool run(unsigned operation);

    Prompts& m_prompts;
    StringList m_sources;
    QString m_destination;
    bool m_undo = false; // on while a delete runs
    QWidget* m_owner = nullptr;
};
