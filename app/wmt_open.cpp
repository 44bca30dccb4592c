// Files opened from outside the dialogs: the command line, a second copy, a drop on the window.
#include "app/wmt.h"

#include "app/ActionRunning.h"

#include "common/ClipTypes.h"
#include "common/FileResult.h"
#include "common/JustOne.h"
#include "common/Paths.h"
#include "platform/ui/Guard.h"
#include "platform/ui/LongWork.h"
#include "playlist/FolderScan.h"
#include "playlist/Playlists.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QRegularExpression>
#include <QTimer>
#include <QUrl>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

enum class Kind
{
    Clip,
    Folder,
    Playlist,
    Other
};

Kind kindOf(const QString& path)
{
    if (QFileInfo(path).isDir())
        return Kind::Folder;
    if (Playlists::isPlaylist(path))
        return Kind::Playlist;
    return ClipTypes::isClip(path) ? Kind::Clip : Kind::Other;
}

// The name a message gives a file: its own name, or the whole path where it has none ("/").
QString quoted(const QString& path)
{
    const QString name = Paths::fileName(QDir::cleanPath(path));
    return u'"' + Paths::forMessage(name.isEmpty() ? path : name) + u'"';
}

// What stands where a file should, in words; empty for a plain file.
QString notAFile(const QString& path)
{
    struct stat st = {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || S_ISREG(st.st_mode))
        return {};
    if (S_ISDIR(st.st_mode))
        return {}; // a folder stands for its clips
    if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))
        return QCoreApplication::translate("TForm1", "it is a device, not a file");
    if (S_ISFIFO(st.st_mode))
        return QCoreApplication::translate("TForm1", "it is a pipe, not a file");
    return QCoreApplication::translate("TForm1", "it is not a plain file");
}

// Why a file that is there cannot be read; empty when it can.
QString unreadable(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd >= 0) {
        ::close(fd);
        return {};
    }
    if (errno == EACCES || errno == EPERM)
        return QCoreApplication::translate("TForm1", "you are not allowed to read it");
    return //: %1: the system's reason.
        QCoreApplication::translate("TForm1", "it cannot be read (%1)").arg(systemErrorText(errno));
}

} // namespace

bool TForm1::isWebAddress(const QString& text)
{
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+://"));
    return scheme.match(text).hasMatch() && !text.startsWith(QLatin1String("file:"), Qt::CaseInsensitive);
}

QString TForm1::cannotRead(const QString& path)
{
    const QString why = unreadable(path);
    //: %1: a quoted file name; %2: why, in a few words.
    return why.isEmpty() ? why : tr("Cannot open %1: %2.").arg(quoted(path), why);
}

QString TForm1::refusal(const QStringList& files)
{
    int clips = 0;
    int playlists = 0;
    for (const QString& f : files) {
        if (isWebAddress(f))
            return tr("Cannot open \"%1\": Vidmarro plays files on this computer, not web addresses.")
                .arg(Paths::forMessage(f));
        const QFileInfo info(f);
        if (!info.exists()) {
            // Bytes that are not text here were replaced on the way in; no such name can be opened.
            if (f.contains(QChar::ReplacementCharacter))
                return tr("Cannot open %1: its name is not valid text on this system.").arg(quoted(f));
            return tr("Cannot open %1: the file does not exist.").arg(quoted(f));
        }
        if (const QString what = notAFile(f); !what.isEmpty())
            return tr("Cannot open %1: %2.").arg(quoted(f), what);
        if (const QString why = cannotRead(f); !why.isEmpty())
            return why;
        switch (kindOf(f)) {
        case Kind::Clip:
        case Kind::Folder:
            ++clips;
            break;
        case Kind::Playlist:
            ++playlists;
            break;
        case Kind::Other:
            return tr("Cannot open %1: it is neither an audio or video clip nor a playlist (.asx).")
                .arg(quoted(f));
        }
    }
    if (playlists > 0 && clips > 0)
        return tr("Open either clips or one playlist (.asx), not both at once.");
    if (playlists > 1)
        return tr("Open one playlist (.asx) at a time.");
    return QString();
}

bool TForm1::busy() const
{
    return m_actionsRunning > 0 || QApplication::activeModalWidget() != nullptr;
}

void TForm1::openFiles(const QStringList& files)
{
    if (files.isEmpty())
        return;
    if (busy()) {
        // A player, editor or clip manager is up (or a question is asked): the files wait for it.
        const bool told = !m_waitingFiles.isEmpty();
        m_waitingFiles += files;
        if (!m_waitTimer) {
            m_waitTimer = new QTimer(this);
            m_waitTimer->setInterval(250);
            connect(m_waitTimer, &QTimer::timeout, this, &TForm1::openWaitingFiles);
        }
        m_waitTimer->start();
        if (!told) {
            QWidget* over = QApplication::activeModalWidget();
            m_services.prompts.message(tr("Vidmarro is busy. The file(s) will open when you are "
                                          "back at the main window."),
                                       over ? over : this);
        }
        return;
    }
    bringToFront();
    const QString why = refusal(files);
    if (!why.isEmpty()) {
        m_services.prompts.message(why, this);
        return;
    }
    // Whoever opens a file from outside wants to hear it: playback starts without waiting for Go.
    m_goAtOnce = true;
    if (kindOf(files.first()) == Kind::Playlist) {
        guarded(m_services.prompts, this, [&] { loadPlaylist(files.first()); });
    } else {
        const ActionRunning running(m_actionsRunning);
        QString folder;
        const QStringList clips = clipsOf(files, &folder);
        if (!clips.isEmpty())
            guarded(m_services.prompts, this, [&] { pickClips(clips, folder); });
    }
    m_goAtOnce = false;
}

QStringList TForm1::clipsOf(const QStringList& files, QString* folder)
{
    QStringList clips;
    QStringList empty;
    for (const QString& f : files) {
        if (kindOf(f) != Kind::Folder) {
            clips.append(f);
            continue;
        }
        QStringList found;
        const QString name = quoted(f);
        const bool done = runLongWork(
            this, [&](qint64 looked) { return FolderScan::progressText(name, looked); },
            [&](LongWorkState& state) { found = FolderScan::clipsIn(f, &state.cancel, &state.count); });
        if (!done)
            return {};
        if (found.isEmpty())
            empty.append(name);
        else if (folder && folder->isEmpty() && clips.isEmpty())
            *folder = QDir::cleanPath(QFileInfo(f).absoluteFilePath());
        clips += found;
    }
    if (clips.isEmpty() && !empty.isEmpty())
        m_services.prompts.message(FolderScan::noClipsText(empty.first()), this);
    return clips;
}

void TForm1::openWaitingFiles()
{
    if (busy())
        return;
    m_waitTimer->stop();
    openFiles(std::exchange(m_waitingFiles, {}));
}

namespace {

// The local files of a drop; empty when it carries anything else.
QStringList localFiles(const QMimeData* data)
{
    QStringList files;
    if (!data || !data->hasUrls())
        return files;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile())
            return {};
        files.append(url.toLocalFile());
    }
    return files;
}

} // namespace

void TForm1::dragEnterEvent(QDragEnterEvent* event)
{
    // Every drop of files is taken, so that one that cannot be opened is told why.
    if (event->mimeData() && event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event)
{
    const QStringList files = localFiles(event->mimeData());
    event->acceptProposedAction();
    // The drag's source waits until the drop returns; the files open once it has.
    QTimer::singleShot(0, this, [this, files] {
        if (files.isEmpty())
            m_services.prompts.message(tr("Only files on this computer can be opened here."), this);
        else
            openFiles(files);
    });
}

bool TForm1::FilesHandedOver() const
{
    return XJustOne1 && XJustOne1->filesHandedOver();
}
