#pragma once

#include "platform/ui/FolderBrowse.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>

class Prompts;
class QWidget;

// Asks the user for a folder in the folder browser, with a New folder button, a status line with
// the selected path, and texts chosen by the user's language.
class TPBFolderDialog : public QObject
{
    Q_OBJECT
public:
    enum TBrowseInfoFlags : unsigned
    {
        OnlyComputers = 0x1000,  // BIF_BROWSEFORCOMPUTER
        OnlyPrinters = 0x2000,   // BIF_BROWSEFORPRINTER
        OnlyDomains = 0x0002,    // BIF_DONTGOBELOWDOMAIN
        OnlyAncestors = 0x0008,  // BIF_RETURNFSANCESTORS
        OnlyFileSystem = 0x0001, // BIF_RETURNONLYFSDIRS
        ShowPath = 0x0004,       // BIF_STATUSTEXT
    };
    using TBrowseInfoFlagSet = unsigned;

    enum TSHFolders
    {
        foDesktop,
        foDesktopExpanded,
        foPrograms,
        foControlPanel,
        foPrinters,
        foPersonal,
        foFavorites,
        foStartup,
        foRecent,
        foSendto,
        foRecycleBin,
        foStartMenu,
        foDesktopFolder,
        foMyComputer,
        foNetwork,
        foNetworkNeighborhood,
        foFonts,
        foTemplates
    };

    using TBrowserInitializedEvent = std::function<void(TPBFolderDialog* sender, QWidget* dialog)>;
    using TSelectionChangedEvent =
        std::function<void(TPBFolderDialog* sender, QWidget* dialog, const QString& folder)>;

    explicit TPBFolderDialog(Prompts& prompts, QWidget* owner = nullptr);

    // Shows the browser; true when the user confirmed a folder (then in Folder).
    bool Execute();

    QString Folder;
    TBrowseInfoFlagSet Flags = ShowPath;
    TSHFolders RootFolder = foDesktopExpanded;
    TBrowserInitializedEvent OnInitialized;
    TSelectionChangedEvent OnSelectionChanged;

    bool NewFolderVisible() const { return m_newFolderVisible; }
    void setNewFolderVisible(bool on);
    bool NewFolderEnabled() const { return m_newFolderEnabled; }
    void setNewFolderEnabled(bool on);
    int NewFolderWidth() const { return m_newFolderWidth; }
    void setNewFolderWidth(int width) { m_newFolderWidth = width > 0 ? width : 75; }
    const QStringList& LabelCaptions() const { return m_labelCaptions; }
    void setLabelCaptions(const QStringList& list);
    const QStringList& NewFolderCaptions() const { return m_newFolderCaptions; }
    void setNewFolderCaptions(const QStringList& list);
    QString Version() const { return QStringLiteral("1.30.00.00"); }
    void setVersion(const QString&) {}

    const QString& languageKey() const { return m_languageKey; }
    const QString& titleText() const { return m_titleText; }
    const QString& newFolderCaption() const { return m_newFolderCaption; }
    const QString& currentPath() const { return m_currentPath; }
    // Counts how often a text was chosen from a list (equal lists choose nothing again).
    int captionChoices() const { return m_captionChoices; }

    // The language key of an ICU locale: the last four hexadecimal digits of its Windows locale
    // identifier, upper case; empty when ICU knows none.
    static QString languageKeyFor(const char* locale);
    // The text for `key` from a list of key=text entries: the key's entry, else "Default", else
    // the first entry.
    static QString chooseCaption(const QStringList& list, const QString& key);
    // The path shortened with "..." to at most `max` characters, keeping its last folders.
    static QString ShortenPath(const QString& path, int max, QChar separator);
    // The folder at the top of the tree; empty for the whole file system.
    static QString rootPath(TSHFolders folder);

private:
    FolderBrowseState selectionChanged(const QString& path);
    bool newFolderClicked();
    void browserInitialized(QWidget* browser);
    QWidget* ownerWindow() const;

    Prompts& m_prompts;
    QWidget* m_owner;
    QString m_languageKey;
    QStringList m_labelCaptions;
    QStringList m_newFolderCaptions;
    QString m_titleText;
    QString m_newFolderCaption;
    bool m_newFolderVisible = true;
    bool m_newFolderEnabled = true;
    int m_newFolderWidth = 75;
    QString m_currentPath;
    bool m_restart = false;
    bool m_selectionFlag = true;
    QPointer<QWidget> m_browser;
    int m_captionChoices = 0;
};
