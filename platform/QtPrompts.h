#pragma once

#include "platform/Prompts.h"

// Real Qt dialogs.
class QtPrompts : public Prompts
{
public:
    QMessageBox::StandardButton messageBox(const MessageBoxSpec& spec, QWidget* parent) override;
    QStringList fileDialog(FileDialogSpec& spec, QWidget* parent) override;
    bool inputBox(const QString& caption, const QString& prompt, QString& value, QWidget* parent) override;
    QString browseFolder(FolderBrowseRequest& request, QWidget* parent) override;
};
