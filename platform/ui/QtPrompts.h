#pragma once

#include "platform/ui/Prompts.h"

// Real Qt dialogs.
class QtPrompts : public Prompts
{
public:
    QMessageBox::StandardButton messageBox(const MessageBoxRequest& request, QWidget* parent) override;
    QStringList fileDialog(FileDialogSettings& request, QWidget* parent) override;
    bool inputBox(const QString& caption, const QString& prompt, QString& value, QWidget* parent) override;
    QString browseFolder(FolderBrowseRequest& request, QWidget* parent) override;
};
