#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>

class QWidget;
struct FolderBrowseRequest;

// The settings of one file dialog. The dialog object lives with the window that owns it, so the
// folder last browsed stays with it between showings (the clip dialog is shared this way).
struct FileDialogSettings
{
    enum Kind
    {
        Open,
        OpenMany,
        Save
    };
    Kind kind = Open;
    QString title;
    QStringList filters;   // Qt filter strings, first one selected: "Play Lists (*.asx)"
    QString defaultSuffix; // without the full stop; added to a typed name without extension
    QString initialDir;    // empty: the folder last browsed
    QString fileName;      // initial file name
    bool mustExist = true; // open dialogs: the chosen file must exist
    bool confirmOverwrite = false;
    QString lastDir;           // kept by the dialog: the folder of the last confirmed choice
    QString rememberAs;        // when set, the last folder is also kept across runs under this name
    QStringList recentFolders; // offered in the dialog's history and side panel, newest first
};

// One message box: caption, text, icon and the buttons it offers.
struct MessageBoxRequest
{
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};

// Everything that asks the user something or tells them something in a standard box. The program
// uses the Qt implementation; tests give a scripted one and check what was asked.
class Prompts
{
public:
    virtual ~Prompts() = default;

    virtual QMessageBox::StandardButton messageBox(const MessageBoxRequest& request, QWidget* parent) = 0;
    // The chosen paths, in the order the dialog returns them; empty when cancelled.
    virtual QStringList fileDialog(FileDialogSettings& request, QWidget* parent) = 0;
    // False when cancelled.
    virtual bool inputBox(const QString& caption, const QString& prompt, QString& value, QWidget* parent) = 0;
    // The shell's folder browser: the chosen folder, or a null string when cancelled.
    virtual QString browseFolder(FolderBrowseRequest& request, QWidget* parent) = 0;

    // A plain box with the application title and an OK button.
    void message(const QString& text, QWidget* parent = nullptr);
    // The application's general error display: a stop box with the application title.
    void stop(const QString& text, QWidget* parent = nullptr);
    // A confirmation box: caption "Confirm", question-mark icon, the caller's buttons.
    QMessageBox::StandardButton confirm(const QString& text, QMessageBox::StandardButtons buttons,
                                        QWidget* parent = nullptr);
};

inline const QString AppTitle = QStringLiteral("Vidmarro");
