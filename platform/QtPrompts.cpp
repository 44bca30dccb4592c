#include "platform/QtPrompts.h"

#include "common/Paths.h"
#include "platform/FolderBrowse.h"
#include "platform/FolderBrowser.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>

QMessageBox::StandardButton QtPrompts::messageBox(const MessageBoxSpec& spec, QWidget* parent)
{
    // Texts separate their lines with a lone carriage return; Qt breaks lines at a line feed.
    QString text = spec.text;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    QMessageBox box(spec.icon, spec.caption, text, spec.buttons, parent);
    if (spec.defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(spec.defaultButton);
    return QMessageBox::StandardButton(box.exec());
}

QStringList QtPrompts::fileDialog(FileDialogSpec& spec, QWidget* parent)
{
    QFileDialog dlg(parent, spec.title);
    dlg.setNameFilters(spec.filters);
    if (!spec.filters.isEmpty())
        dlg.selectNameFilter(spec.filters.first());
    dlg.setDefaultSuffix(spec.defaultSuffix);
    dlg.setDirectory(!spec.initialDir.isEmpty() ? spec.initialDir : spec.lastDir);
    if (!spec.fileName.isEmpty())
        dlg.selectFile(spec.fileName);
    switch (spec.kind) {
    case FileDialogSpec::Open:
        dlg.setAcceptMode(QFileDialog::AcceptOpen);
        dlg.setFileMode(spec.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
        break;
    case FileDialogSpec::OpenMany:
        dlg.setAcceptMode(QFileDialog::AcceptOpen);
        dlg.setFileMode(QFileDialog::ExistingFiles);
        break;
    case FileDialogSpec::Save:
        dlg.setAcceptMode(QFileDialog::AcceptSave);
        dlg.setFileMode(QFileDialog::AnyFile);
        dlg.setOption(QFileDialog::DontConfirmOverwrite, !spec.confirmOverwrite);
        break;
    }
    if (dlg.exec() != QDialog::Accepted)
        return {};
    const QStringList files = dlg.selectedFiles();
    if (!files.isEmpty())
        spec.lastDir = Paths::directory(files.first());
    return files;
}

bool QtPrompts::inputBox(const QString& caption, const QString& prompt, QString& value, QWidget* parent)
{
    bool ok = false;
    const QString text = QInputDialog::getText(parent, caption, prompt, QLineEdit::Normal, value, &ok);
    if (ok)
        value = text;
    return ok;
}

QString QtPrompts::browseFolder(FolderBrowseRequest& request, QWidget* parent)
{
    FolderBrowser browser(request, parent);
    return browser.run();
}
