#include "platform/ui/QtPrompts.h"

#include "common/FileLocations.h"
#include "common/Paths.h"
#include "platform/ui/FolderBrowse.h"
#include "platform/ui/FolderBrowser.h"
#include "platform/ui/WindowPlacement.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QInputDialog>
#include <QLineEdit>
#include <QSettings>
#include <QUrl>

namespace {

// Dialogs' last folders, kept across runs in a small state file of our own (not the settings
// file, whose keys are fixed).
QString folderMemoryPath()
{
    return FileLocations::stateFolder() + QStringLiteral("/dialogs.ini");
}

QString rememberedFolder(const QString& name)
{
    if (name.isEmpty())
        return {};
    const QString dir = QSettings(folderMemoryPath(), QSettings::IniFormat)
                            .value(QStringLiteral("Folders/") + name)
                            .toString();
    return QFileInfo(dir).isDir() ? dir : QString();
}

void rememberFolder(const QString& name, const QString& dir)
{
    if (name.isEmpty() || dir.isEmpty())
        return;
    QDir().mkpath(QFileInfo(folderMemoryPath()).path());
    QSettings(folderMemoryPath(), QSettings::IniFormat).setValue(QStringLiteral("Folders/") + name, dir);
}

// "*.*" was written for a platform where it means every file; Qt's matching wants a full stop in
// the name. The filter keeps its text, and the dialog lists every file under it.
void widenStarDotStar(QFileDialog& dlg)
{
    auto* model = dlg.findChild<QFileSystemModel*>();
    if (!model)
        return; // a native dialog of the desktop's: its own matching
    const auto widen = [model] {
        QStringList patterns = model->nameFilters();
        const qsizetype all = patterns.indexOf(QStringLiteral("*.*"));
        if (all < 0)
            return;
        patterns[all] = QStringLiteral("*");
        model->setNameFilters(patterns);
    };
    widen();
    QObject::connect(&dlg, &QFileDialog::filterSelected, model, widen);
}

// Folders the user keeps going back to: first in the dialog's history (its Back list and the
// folder box's drop-down) and added to its side panel after the places it offers already.
void offerFolders(QFileDialog& dlg, const QStringList& folders)
{
    if (folders.isEmpty())
        return;
    QStringList history = folders;
    for (const QString& dir : dlg.history()) {
        if (!history.contains(dir))
            history.append(dir);
    }
    dlg.setHistory(history);
    QList<QUrl> side = dlg.sidebarUrls();
    for (const QString& dir : folders) {
        const QUrl url = QUrl::fromLocalFile(dir);
        if (!side.contains(url))
            side.append(url);
    }
    dlg.setSidebarUrls(side);
}

// A box fits on the screen whatever a message quotes: a few lines of sane length.
QString boundedText(QString text)
{
    // Texts separate their lines with a lone carriage return; Qt breaks lines at a line feed.
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    constexpr int MaxLines = 25;
    constexpr int MaxLine = 400;
    QStringList lines = text.split(u'\n');
    if (lines.size() > MaxLines) {
        lines.resize(MaxLines - 1);
        lines.append(QStringLiteral("\u2026"));
    }
    for (QString& line : lines) {
        if (line.size() > MaxLine)
            line = Paths::forMessage(line, MaxLine);
    }
    return lines.join(u'\n');
}

} // namespace

QMessageBox::StandardButton QtPrompts::messageBox(const MessageBoxRequest& request, QWidget* parent)
{
    QMessageBox box(request.icon, request.caption, boundedText(request.text), request.buttons, parent);
    // Names, paths and playlist entries are shown as they are, never read as markup.
    box.setTextFormat(Qt::PlainText);
    if (request.defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(request.defaultButton);
    // A click on the window it belongs to gives the keys back to the box, on Wayland too.
    if (parent)
        setOwnerWindow(&box, parent);
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
    QString start = !request.initialDir.isEmpty() ? request.initialDir : request.lastDir;
    if (start.isEmpty())
        start = rememberedFolder(request.rememberAs);
    dlg.setDirectory(!start.isEmpty() ? start : QDir::homePath());
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
    widenStarDotStar(dlg);
    offerFolders(dlg, request.recentFolders);
    if (dlg.exec() != QDialog::Accepted)
        return {};
    // Qt hands back "/" everywhere; the program's paths use the platform's own separator.
    QStringList files = dlg.selectedFiles();
    for (QString& f : files)
        f = QDir::toNativeSeparators(f);
    if (!files.isEmpty()) {
        request.lastDir = Paths::directory(files.first());
        rememberFolder(request.rememberAs, request.lastDir);
    }
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
