#pragma once

#include "platform/ui/FolderBrowse.h"
#include "platform/ui/Prompts.h"

#include <QList>
#include <QStringList>
#include <functional>

// Prompts answered from a script. Every box and dialog is recorded, so a test can check what the
// user was asked; an answer missing from the script fails the test loudly.
class ScriptedPrompts : public Prompts
{
public:
    struct Asked
    {
        enum Kind
        {
            Box,
            File,
            Input,
            Folder
        } kind;
        MessageBoxRequest box;      // Box
        FileDialogSettings file;    // File: the dialog's settings as shown
        QString caption, prompt;    // Input
        FolderBrowseRequest folder; // Folder
    };

    QMessageBox::StandardButton messageBox(const MessageBoxRequest& request, QWidget* parent) override;
    QStringList fileDialog(FileDialogSettings& request, QWidget* parent) override;
    bool inputBox(const QString& caption, const QString& prompt, QString& value, QWidget* parent) override;
    QString browseFolder(FolderBrowseRequest& request, QWidget* parent) override;

    // Answers, taken in order by the matching kind of prompt.
    void answerBox(QMessageBox::StandardButton b) { m_boxes.append(b); }
    void answerFiles(const QStringList& files) { m_files.append(files); } // empty list: cancel
    void answerInput(const QString& text, bool ok = true) { m_inputs.append({text, ok}); }
    void answerFolder(const QString& folder) { m_folders.append(folder); } // null: cancel
    // Called while a box is up, before it is answered (for checks of the window state at that point).
    std::function<void(const MessageBoxRequest&)> onBox;
    // Called while the folder browser is up, before it is answered: a test may use the browser's
    // calls back (selection, New folder) here.
    std::function<void(FolderBrowseRequest&)> onFolder;

    QList<Asked> asked;
    QList<MessageBoxRequest> boxes() const;
    QStringList boxTexts() const;
    void clear();
    // True when every scripted answer was used.
    bool allUsed() const
    {
        return m_boxes.isEmpty() && m_files.isEmpty() && m_inputs.isEmpty() && m_folders.isEmpty();
    }

private:
    QList<QMessageBox::StandardButton> m_boxes;
    QList<QStringList> m_files;
    QList<QPair<QString, bool>> m_inputs;
    QStringList m_folders;
};
