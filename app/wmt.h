#pragma once

#include "common/IniFile.h"
#include "common/LaunchToken.h"
#include "platform/Services.h"
#include "platform/ui/Prompts.h"

#include <QStringList>
#include <QWidget>

#include <functional>

class QDateTime;
class QTimer;
struct SharedState;
class PlayerDialogs;
class TXJustOne;
namespace Ui {
class TForm1;
}

// The main window: guide text, the three entry actions, the web links, and the settings file.
class TForm1 : public QWidget
{
    Q_OBJECT
public:
    // `appDir` is the folder of the executable, with or without its trailing separator. When another
    // copy runs, `handOver` (absolute paths) goes to it to open, and `launch`, this start's leave to
    // bring a window forward, goes with it.
    TForm1(SharedState& state, Services& services, const QString& appDir, QWidget* parent = nullptr,
           const QStringList& handOver = {}, const LaunchToken& launch = {});
    ~TForm1() override;

    Ui::TForm1* form() const { return ui; }

    // The three file dialogs; the playlist editor shows the clip dialog too.
    FileDialogSettings OpenDialog1; // clips
    FileDialogSettings OpenDialog2; // playlist to load
    FileDialogSettings SaveDialog1; // save the played selection

    // True when another copy of the program was already running: this one must end.
    bool AnotherCopyRuns() const { return m_anotherCopy; }
    // The running copy took the files handed to it.
    bool FilesHandedOver() const;

    // Opens files given from outside (command line, another copy, a drop): one playlist acts as
    // "&Load Playlist", clips and folders of clips act as "&Select Clip(s)", and playback starts
    // at once. Anything else
    // is refused with a message. While a window of ours is busy they wait until it is done.
    void openFiles(const QStringList& files);
    // Why `files` cannot be opened together; empty when they can.
    static QString refusal(const QStringList& files);
    // Why a file that is there cannot be read, as a message; empty when it can.
    static QString cannotRead(const QString& path);
    // "scheme://...", other than file: an address the program does not open.
    static bool isWebAddress(const QString& text);

    // Whether the media engine starts. Trying it takes a moment, so the answer comes later, on this
    // window's thread, and never once the window has begun to be destroyed.
    void MediaPlayerInstalled(std::function<void(bool)> answer);
    void ShutdownComputer();
    // The time ShutdownComputer records: short date, a blank, long time; the date alone at midnight.
    static QString shutdownStamp(const QDateTime& now);
    // Shows a fresh player window modally. False when the shutdown asked for afterwards failed:
    // the caller then abandons its remaining steps.
    bool RunPlayer();
    // The speed and sleep dialogs the player windows open (created once at start-up).
    void setPlayerDialogs(PlayerDialogs* dialogs) { m_playerDialogs = dialogs; }

    // The links' addresses, one table for all eight, in the order of the handlers below.
    enum Link
    {
        Home,
        Donation,
        Melnoria,
        ShopVhs,
        ShopDvd,
        ShopMusic,
        ShopBooks,
        ShopToys,
        LinkCount
    };
    static QString linkAddress(Link link);
    static const QString MediaPlayerDownload;

public Q_SLOTS:
    void PickButtonClick();
    void LoadButtonClick();
    void Button1Click();
    void HomeLabelClick();
    void Label3Click();
    void Button2Click();
    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();
    void BitBtn4Click();
    void BitBtn6Click();

protected:
    // The windows opened after a playback with marks and by "&Edit Playlist".
    virtual void ShowClipManager();
    virtual void ShowEditor();

    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void warmUpPlayer();
    void setUpWindow();
    void FormCreate(const QString& appDir);
    void FormClose();
    void checkMediaPlayer();
    void open(Link link);
    void bringToFront(const LaunchToken& token = {});
    void pickClips(const QStringList& files, const QString& folder = {});
    // The clips that `files` stand for: files as they are, folders by their clips (with progress
    // and cancel when that takes long). Empty when cancelled or when there is none, which is told.
    // `folder` gets the first folder that gave clips when no plain clip comes before it.
    QStringList clipsOf(const QStringList& files, QString* folder = nullptr);
    void loadPlaylist(const QString& file);
    bool busy() const;
    void openWaitingFiles();

    Ui::TForm1* ui;
    SharedState& S;
    Services& m_services;
    IniFile m_ini;
    bool m_checkMediaPlayer = false;
    TXJustOne* XJustOne1 = nullptr;
    bool m_anotherCopy = false;
    PlayerDialogs* m_playerDialogs = nullptr;
    bool m_playerStarted = false; // the last player window got as far as Go
    bool m_goAtOnce = false;      // the next player starts playing without waiting for Go
    int m_actionsRunning = 0;     // entry actions under way (each may run nested loops)
    QStringList m_waitingFiles;   // handed over or dropped while busy
    QTimer* m_waitTimer = nullptr;
};
