#include "ScriptedPrompts.h"

#include <QTest>

QMessageBox::StandardButton ScriptedPrompts::messageBox(const MessageBoxRequest& request, QWidget*)
{
    Asked a{Asked::Box, request, {}, {}, {}, {}};
    asked.append(a);
    if (onBox)
        onBox(request);
    if (m_boxes.isEmpty()) {
        // A box with only OK needs no script.
        if (request.buttons == QMessageBox::Ok)
            return QMessageBox::Ok;
        qWarning("unscripted message box: %s", qPrintable(request.text));
        return QMessageBox::Cancel;
    }
    return m_boxes.takeFirst();
}

QStringList ScriptedPrompts::fileDialog(FileDialogSettings& request, QWidget*)
{
    Asked a{Asked::File, {}, request, {}, {}, {}};
    asked.append(a);
    if (m_files.isEmpty()) {
        qWarning("unscripted file dialog: %s", qPrintable(request.title));
        return {};
    }
    const QStringList files = m_files.takeFirst();
    if (!files.isEmpty()) {
        const int sep = int(files.first().lastIndexOf(u'/'));
        request.lastDir = files.first().left(sep > 0 ? sep : 1);
    }
    return files;
}

bool ScriptedPrompts::inputBox(const QString& caption, const QString& prompt, QString& value, QWidget*)
{
    Asked a{Asked::Input, {}, {}, caption, prompt, {}};
    asked.append(a);
    if (m_inputs.isEmpty()) {
        qWarning("unscripted input box: %s", qPrintable(caption));
        return false;
    }
    const auto [text, ok] = m_inputs.takeFirst();
    if (ok)
        value = text;
    return ok;
}

QString ScriptedPrompts::browseFolder(FolderBrowseRequest& request, QWidget*)
{
    Asked a{Asked::Folder, {}, {}, {}, {}, request};
    asked.append(a);
    if (onFolder)
        onFolder(request);
    if (m_folders.isEmpty()) {
        qWarning("unscripted folder browser: %s", qPrintable(request.title));
        return {};
    }
    return m_folders.takeFirst();
}

QList<MessageBoxRequest> ScriptedPrompts::boxes() const
{
    QList<MessageBoxRequest> out;
    for (const Asked& a : asked) {
        if (a.kind == Asked::Box)
            out.append(a.box);
    }
    return out;
}

QStringList ScriptedPrompts::boxTexts() const
{
    QStringList out;
    for (const MessageBoxRequest& b : boxes())
        out.append(b.text);
    return out;
}

void ScriptedPrompts::clear()
{
    asked.clear();
    m_boxes.clear();
    m_files.clear();
    m_inputs.clear();
    m_folders.clear();
}
