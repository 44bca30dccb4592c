#include "platform/QtPrompts.h"

#include "common/Paths.h"
#include "platform/FolderBrowse.h"
#include "platform/FolderBrowser.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>

QMessageBox::StandardButton QtPrompts::messageBox(const MessageBoxRequest& request, QWidget* parent)
{
    // Texts separate their lines with a lone carriage return; Qt breaks lines at a line feed.
    QString text = request.text;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    QMessageBox box(request.icon, request.caption, text, request.buttons, parent);
    if (request.defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(request.defaultButton);
    return QMessageBox::StandardButton(box.exec());
}

QStringList QtPrompts::fileDialog(FileDialogSettings& request, QWidget* parent)
{
    QFileDialog dlg(parent, request.title);
    dlg.setNameFilters(request.filters);
    if (!request.filters.isEmpty())
        dlg.selectNameFilter(request.filters.first());
    dlg.setDefaultSuffix(request.defaultSuffix);
    // With no folder of its own and none browsed yet, start at home rather than at the bare
    // list of drives.
    dlg.setDirectory(!request.initialDir.isEmpty() ? request.initialDir
                     : !request.lastDir.isEmpty()  ? request.lastDir
                                                   : QDir::homePath());
    if (!request.fileName.isEmpty())
        dlg.selectFile(request.fileName);
    switch (request.kind) {
    case FileDialogSettings::Open:
        dlg.setAcceptMode(QFileDialog::AcceptOpen);
        dlg.setFileMode(request.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
        break;
    case FileDialogSettings::OpenMany:
        dlg.setAcceptMode(QFileDialog::AcceptOpen);
        dlg.setFileMode(QFileDialog::ExistingFiles);
        break;
    case FileDialogSettings::Save:
        dlg.setAcceptMode(QFileDialog::AcceptSave);
        dlg.setFileMode(QFileDialog::AnyFile);
        dlg.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
        break;
    }
    if (dlg.exec() != QDialog::Accepted)
        return {};
    // Qt hands back "/" everywhere; the program's paths use the platform's own separator.
    QStringList files = dlg.selectedFiles();
    for (QString& f : files)
        f = QDir::toNativeSeparators(f);
    if (!files.isEmpty())
        request.lastDir = Paths::directory(files.first());
    return files;
}

bool QtPrompts::inputBox(const QString& caption, const QString& prompt, QString& value, QWidget* parent)
{
    QInputDialog dlg(parent);
    dlg.setWindowTitle(caption);
    dlg.setLabelText(prompt);
    dlg.setInputMode(QInputDialog::TextInput);
    dlg.setTextValue(value);
    // Without a prompt the field is named after the box, for assistive tools.
    if (auto* field = dlg.findChild<QLineEdit*>())
        field->setAccessibleName(prompt.isEmpty() ? caption : prompt);
    if (dlg.exec() != QDialog::Accepted)
        return false;
    value = dlg.textValue();
    return true;
}

QString QtPrompts::browseFolder(FolderBrowseRequest& request, QWidget* parent)
{
    FolderBrowser browser(request, parent);
    return browser.run();
}
