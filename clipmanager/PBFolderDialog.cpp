#include "clipmanager/PBFolderDialog.h"

#include "common/Paths.h"
#include "platform/files/FileOps.h"
#include "platform/ui/Prompts.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QStandardPaths>

#include <glib.h>
#include <unicode/uloc.h>

namespace {

const QStringList DefaultLabelCaptions = {
    QStringLiteral("Default=Current folder:"), QStringLiteral("0009=Current folder:"),
    QStringLiteral("0406=Valgt mappe:"),       QStringLiteral("0407=Mappe gewählt:"),
    QStringLiteral("0409=Current folder:"),    QStringLiteral("0413=Huidige map"),
};
const QStringList DefaultNewFolderCaptions = {
    QStringLiteral("Default=New folder"), QStringLiteral("0009=New folder"),
    QStringLiteral("0406=Ny mappe"),      QStringLiteral("0407=Neu Mappe"),
    QStringLiteral("0409=New folder"),    QStringLiteral("0413=Nieuwe map"),
};

QString userDir(GUserDirectory dir)
{
    const char* path = g_get_user_special_dir(dir);
    return path ? QString::fromUtf8(path) : QString();
}

} // namespace

TPBFolderDialog::TPBFolderDialog(Prompts& prompts, QWidget* owner)
    : QObject(owner), m_prompts(prompts), m_owner(owner)
{
    m_languageKey = languageKeyFor(uloc_getDefault());
    setLabelCaptions(DefaultLabelCaptions);
    setNewFolderCaptions(DefaultNewFolderCaptions);
}

QString TPBFolderDialog::languageKeyFor(const char* locale)
{
    const uint32_t lcid = uloc_getLCID(locale);
    if (lcid == 0)
        return {};
    return QStringLiteral("%1").arg(lcid, 8, 16, QChar(u'0')).right(4).toUpper();
}

QString TPBFolderDialog::chooseCaption(const QStringList& list, const QString& key)
{
    if (list.isEmpty())
        return {};
    auto nameOf = [](const QString& entry) { return entry.section(u'=', 0, 0); };
    auto textOf = [](const QString& entry) {
        const int eq = int(entry.indexOf(u'='));
        return eq < 0 ? QString() : entry.mid(eq + 1);
    };
    for (const QString& entry : list) {
        if (nameOf(entry).compare(key, Qt::CaseInsensitive) == 0)
            return textOf(entry);
    }
    for (const QString& entry : list) {
        if (nameOf(entry).compare(QStringLiteral("Default"), Qt::CaseInsensitive) == 0)
            return textOf(entry);
    }
    return textOf(list.first());
}

void TPBFolderDialog::setLabelCaptions(const QStringList& list)
{
    if (list == m_labelCaptions && !m_titleText.isNull())
        return;
    m_labelCaptions = list;
    m_titleText = chooseCaption(list, m_languageKey);
    if (m_titleText.isNull())
        m_titleText = QStringLiteral("");
    ++m_captionChoices;
}

void TPBFolderDialog::setNewFolderCaptions(const QStringList& list)
{
    if (list == m_newFolderCaptions && !m_newFolderCaption.isNull())
        return;
    m_newFolderCaptions = list;
    m_newFolderCaption = chooseCaption(list, m_languageKey);
    if (m_newFolderCaption.isNull())
        m_newFolderCaption = QStringLiteral("");
    ++m_captionChoices;
}

void TPBFolderDialog::setNewFolderVisible(bool on)
{
    if (on == m_newFolderVisible)
        return;
    m_newFolderVisible = on;
    if (m_browser) {
        if (auto* button = m_browser->findChild<QPushButton*>(QStringLiteral("NewFolderButton")))
            button->setVisible(on);
    }
}

void TPBFolderDialog::setNewFolderEnabled(bool on)
{
    m_newFolderEnabled = on;
    if (m_browser) {
        if (auto* button = m_browser->findChild<QPushButton*>(QStringLiteral("NewFolderButton")))
            button->setEnabled(on && m_selectionFlag);
    }
}

QString TPBFolderDialog::ShortenPath(const QString& path, int max, QChar separator)
{
    if (path.size() <= max || max < 6 || !path.contains(separator))
        return path.left(max);
    if (path.mid(2).count(separator) < 2)
        return path.left(max);
    QString result;
    QString rest = path;
    const int first = int(path.indexOf(separator)) + 1; // counted from 1
    // A network path keeps its two leading separators. On Linux only a path that really begins
    // with two of them is one: a single leading "/" is the root and stays part of the first part.
    const bool network =
        separator == u'\\' ? (first == 1 || first == 2) : path.startsWith(QString(2, separator));
    if (network) {
        result = QString(2, separator);
        rest = rest.mid(2);
    }
    result += rest.left(rest.indexOf(separator) + 1) + QStringLiteral("...");
    do
        rest = rest.mid(rest.indexOf(separator) + 1);
    while (result.size() + rest.size() + 1 > max && rest.contains(separator));
    const QString joined = result + separator + rest;
    if (joined.size() <= max)
        return joined;
    return joined.left(max - 3) + QStringLiteral("...");
}

QString TPBFolderDialog::rootPath(TSHFolders folder)
{
    const QString home = QDir::homePath();
    switch (folder) {
    case foDesktop:
    case foDesktopFolder:
        return userDir(G_USER_DIRECTORY_DESKTOP);
    case foPersonal:
        return userDir(G_USER_DIRECTORY_DOCUMENTS);
    case foTemplates:
        return userDir(G_USER_DIRECTORY_TEMPLATES);
    case foMyComputer:
        return QStringLiteral("/");
    case foFonts:
        return QString::fromUtf8(g_get_user_data_dir()) + QStringLiteral("/fonts");
    case foPrograms:
    case foStartMenu:
        return QString::fromUtf8(g_get_user_data_dir()) + QStringLiteral("/applications");
    case foStartup:
        return QString::fromUtf8(g_get_user_config_dir()) + QStringLiteral("/autostart");
    case foRecycleBin:
        return QString::fromUtf8(g_get_user_data_dir()) + QStringLiteral("/Trash/files");
    default:
        return {}; // no such folder here: the whole file system
    }
}

QWidget* TPBFolderDialog::ownerWindow() const
{
    if (m_owner)
        return m_owner->window();
    return QApplication::activeWindow();
}

bool TPBFolderDialog::Execute()
{
    m_currentPath = Folder;
    QWidget* owner = ownerWindow();
    QString root = rootPath(RootFolder);
    if (!root.isEmpty() && !QFileInfo(root).isDir())
        root.clear();
    QString chosen;
    do {
        m_restart = false;
        Folder = m_currentPath;
        FolderBrowseRequest request;
        request.title = m_titleText;
        request.initialFolder = Folder;
        request.rootFolder = root;
        request.onlyFileSystem = (Flags & OnlyFileSystem) != 0;
        request.showPath = (Flags & ShowPath) != 0;
        request.newFolderCaption = m_newFolderCaption;
        request.newFolderVisible = m_newFolderVisible;
        request.newFolderEnabled = m_newFolderEnabled && m_selectionFlag;
        request.newFolderWidth = m_newFolderWidth;
        request.initialized = [this](QWidget* browser) { browserInitialized(browser); };
        request.selectionChanged = [this](const QString& path) { return selectionChanged(path); };
        request.newFolderClicked = [this] { return newFolderClicked(); };
        chosen = m_prompts.browseFolder(request, owner);
        m_browser.clear();
    } while (m_restart);
    if (chosen.isNull())
        return false;
    Folder = chosen;
    m_currentPath = Folder;
    return true;
}

void TPBFolderDialog::browserInitialized(QWidget* browser)
{
    m_browser = browser;
    if (OnInitialized)
        OnInitialized(this, browser);
}

FolderBrowseState TPBFolderDialog::selectionChanged(const QString& path)
{
    m_currentPath = path;
    FolderBrowseState state;
    if (Flags & ShowPath)
        state.status = ShortenPath(m_currentPath, 50, Paths::separator());
    m_selectionFlag = !m_currentPath.isEmpty();
    state.okEnabled = (Flags & OnlyFileSystem) ? m_selectionFlag : true;
    state.newFolderEnabled = m_selectionFlag && m_newFolderEnabled;
    if (OnSelectionChanged)
        OnSelectionChanged(this, m_browser, m_currentPath);
    return state;
}

bool TPBFolderDialog::newFolderClicked()
{
    QString name;
    if (!m_prompts.inputBox(m_newFolderCaption, QString(), name, m_browser) || name.isEmpty())
        return false;
    m_restart = true;
    const QChar sep = Paths::separator();
    if (!name.startsWith(sep) && !m_currentPath.endsWith(sep))
        m_currentPath += sep;
    m_currentPath += name;
    while (m_currentPath.size() > 1 && m_currentPath.endsWith(sep))
        m_currentPath.chop(1);
    // A folder that cannot be made is not reported: the next pass just opens without it.
    FileOps::makeDirs(m_currentPath);
    return true;
}
