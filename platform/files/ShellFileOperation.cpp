#include "platform/files/ShellFileOperation.h"

#include "common/Paths.h"
#include "platform/files/FileOps.h"
#include "platform/files/ShellProgressWindow.h"
#include "platform/files/ShellTexts.h"
#include "platform/files/Trash.h"
#include "platform/ui/Prompts.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSet>

#include <cerrno>
#include <memory>

namespace ShellFileOperation {

namespace {

// Worded when shown: the user's language is known only once the program runs.
FileResult notFound()
{
    return FileResult::failed(
        ENOENT, QCoreApplication::translate("ShellFileOperation", "Cannot find the specified file."));
}
FileResult intoItself()
{
    return FileResult::failed(
        EINVAL, QCoreApplication::translate("ShellFileOperation",
                                            "The destination folder is a subfolder of the source folder."));
}
FileResult fileInTheWay()
{
    return FileResult::failed(
        ENOTDIR, QCoreApplication::translate("ShellFileOperation", "A file of that name is in the way."));
}
FileResult folderInTheWay()
{
    return FileResult::failed(
        EISDIR, QCoreApplication::translate("ShellFileOperation", "A folder of that name is in the way."));
}

// As on the desktop, the progress window waits this long: a short run ends without one.
constexpr qint64 ProgressDelayMs = 500;

class Runner
{
public:
    Runner(Record& record, Prompts& prompts) : m_r(record), m_prompts(prompts) {}

    FileResult run()
    {
        const QStringList items = expand();
        if (m_r.operation == FO_DELETE)
            runDelete(items);
        else if (m_r.operation == FO_COPY || m_r.operation == FO_MOVE)
            runTransfer(items);
        else
            return FileResult::failed(
                EINVAL, QCoreApplication::translate("ShellFileOperation", "Unknown file operation %1.")
                            .arg(m_r.operation));
        m_progress.reset();
        m_r.anyOperationsAborted = m_aborted;
        return m_aborted ? FileResult::cancelled() : m_lastFailure;
    }

private:
    bool flag(unsigned f) const { return (m_r.flags & f) != 0; }
    bool move() const { return m_r.operation == FO_MOVE; }

    QString verb() const { return ShellTexts::verb(m_r.operation, flag(FOF_ALLOWUNDO)); }

    // Names with wildcards stand for what they match; other names stand as given.
    QStringList expand()
    {
        QStringList out;
        for (const QString& source : m_r.sources) {
            const QString name = Paths::fileName(source);
            if (!name.contains(u'*') && !name.contains(u'?')) {
                out.append(source);
                continue;
            }
            const QString dir = Paths::directory(source);
            const QStringList matches = QDir(dir).entryList(
                {name}, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                QDir::Name | QDir::IgnoreCase);
            if (matches.isEmpty())
                out.append(source); // reported as not found
            for (const QString& m : matches) {
                out.append(FileOps::join(dir, m));
                m_matched.insert(out.last());
            }
        }
        return out;
    }

    // FilesOnly passes over the folders that a wildcard matched; a folder named as such still goes,
    // with everything in it.
    bool skipped(const QString& path) const
    {
        return flag(FOF_FILESONLY) && m_matched.contains(path) && FileOps::isDir(path);
    }

    void error(const QString& path, const FileResult& failure)
    {
        m_lastFailure = failure;
        showProgressNow();
        //: %1: a file name; %2: the reason.
        const char* const cannot =
            m_r.operation == FO_COPY   ? QT_TRANSLATE_NOOP("ShellFileOperation", "Cannot copy %1: %2")
            : m_r.operation == FO_MOVE ? QT_TRANSLATE_NOOP("ShellFileOperation", "Cannot move %1: %2")
                                       : QT_TRANSLATE_NOOP("ShellFileOperation", "Cannot delete %1: %2");
        const QString text = QCoreApplication::translate("ShellFileOperation", cannot)
                                 .arg(Paths::fileName(path), failure.text());
        const MessageBoxRequest request{ShellTexts::errorCaption(m_r.operation), text, QMessageBox::Critical,
                                        QMessageBox::Ok, QMessageBox::Ok};
        m_prompts.messageBox(request, activeParent());
    }

    QMessageBox::StandardButton ask(const QString& caption, const QString& text,
                                    QMessageBox::StandardButtons buttons)
    {
        showProgressNow();
        return m_prompts.messageBox({caption, text, QMessageBox::Question, buttons, QMessageBox::Yes},
                                    activeParent());
    }

    QWidget* activeParent() const { return m_progress ? m_progress.get() : m_r.owner; }

    // The run wants a window; it appears once the run has lasted ProgressDelayMs, or before a box
    // that comes up during the run, so the box sits over the run it belongs to.
    void showProgress(qint64 total)
    {
        if (flag(FOF_SILENT))
            return;
        m_wantProgress = true;
        m_total = total;
        m_started.start();
    }

    void showProgressNow()
    {
        if (!m_wantProgress || m_progress)
            return;
        const QString title = flag(FOF_SIMPLEPROGRESS) && !m_r.progressTitle.isEmpty()
                                  ? m_r.progressTitle
                                  : verb() + QStringLiteral("...");
        m_progress = std::make_unique<ShellProgressWindow>(title, m_total, m_r.owner);
        if (m_countsItems)
            m_progress->setCountsItems(true);
        if (!m_from.isEmpty())
            showFile();
        m_progress->setBytes(m_now);
        m_progress->show();
        m_sincePump.start();
        QCoreApplication::processEvents();
    }

    // The labels are only worked out while the window is there to show them.
    void atFile(const QString& from, const QString& to)
    {
        m_from = from;
        m_to = to;
        if (m_progress)
            showFile();
    }
    void showFile()
    {
        m_progress->setFile(verb(), Paths::fileName(m_from), Paths::directory(m_from),
                            m_to.isEmpty() ? QString() : Paths::directory(m_to));
    }
    void atBytes(qint64 done)
    {
        m_now = done;
        if (m_progress)
            m_progress->setBytes(done);
    }

    // Keeps the progress window alive; false once the user has cancelled. Painting the window
    // costs far more than a chunk of data, so unless forced it is done at most every 30 ms.
    bool pump(bool force = true)
    {
        if (!m_progress) {
            if (!m_wantProgress || m_started.elapsed() < ProgressDelayMs)
                return !m_aborted;
            showProgressNow();
        }
        if (!force && m_sincePump.isValid() && m_sincePump.elapsed() < 30)
            return !m_aborted;
        m_sincePump.start();
        QCoreApplication::processEvents();
        if (m_progress->cancelled())
            m_aborted = true;
        return !m_aborted;
    }

    void runDelete(const QStringList& items)
    {
        QStringList present;
        qsizetype count = 0;
        for (const QString& item : items) {
            if (FileOps::exists(item) && !skipped(item)) {
                present.append(item);
                ++count;
            }
        }
        if (!flag(FOF_NOCONFIRMATION) && count > 0) {
            const QString text =
                ShellTexts::deleteQuestion(count, Paths::fileName(present.first()), flag(FOF_ALLOWUNDO));
            const QString caption = ShellTexts::deleteCaption(count);
            if (ask(caption, text, QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes) {
                m_aborted = true;
                return;
            }
        }
        m_countsItems = true;
        showProgress(qint64(items.size()));
        qint64 done = 0;
        for (const QString& item : items) {
            if (!pump(false))
                return;
            atFile(item, QString());
            atBytes(done);
            ++done;
            if (!FileOps::exists(item)) {
                error(item, notFound());
                continue;
            }
            if (skipped(item))
                continue;
            const FileResult out =
                flag(FOF_ALLOWUNDO) ? Trash::moveToTrash(item) : FileOps::deletePermanently(item);
            if (!out.ok())
                error(item, out);
        }
        atBytes(done);
        pump();
    }

    void runTransfer(const QStringList& items)
    {
        QString dest = m_r.destination;
        while (dest.size() > 1 && dest.endsWith(u'/'))
            dest.chop(1);
        if (dest.isEmpty()) {
            error(QString(),
                  FileResult::failed(EINVAL, QCoreApplication::translate(
                                                 "ShellFileOperation", "No destination folder was given.")));
            m_aborted = true;
            return;
        }
        if (!FileOps::exists(dest)) {
            // "No confirmation" answers this question with yes as well.
            if (!flag(FOF_NOCONFIRMMKDIR) && !flag(FOF_NOCONFIRMATION)) {
                const QString text = QCoreApplication::translate(
                                         "ShellFileOperation",
                                         "The folder \"%1\" does not exist.\n\nDo you want to create it?")
                                         .arg(dest);
                if (ask(QCoreApplication::translate("ShellFileOperation", "Confirm Folder Create"), text,
                        QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes) {
                    m_aborted = true;
                    return;
                }
            }
            const FileResult made = FileOps::makeDirs(dest);
            if (!made.ok()) {
                error(dest, made);
                m_aborted = true;
                return;
            }
        } else if (!FileOps::isDir(dest)) {
            error(dest,
                  FileResult::failed(ENOTDIR, QCoreApplication::translate(
                                                  "ShellFileOperation", "The destination is not a folder.")));
            m_aborted = true;
            return;
        }

        qint64 total = 0;
        for (const QString& item : items) {
            if (!skipped(item))
                total += FileOps::totalSize(item);
        }
        showProgress(total);
        for (const QString& item : items) {
            if (!pump(false) || !transfer(item, dest))
                break;
        }
        pump();
    }

    // One source into the folder `destDir`; false stops the whole run.
    bool transfer(const QString& src, const QString& destDir)
    {
        if (!pump(false))
            return false;
        const QString name = QFileInfo(src).fileName();
        const FileOps::Entry from = FileOps::entry(src);
        if (!from.exists) {
            error(src, notFound());
            return true;
        }
        if (flag(FOF_FILESONLY) && from.isDir && m_matched.contains(src))
            return true; // folders are left alone
        const bool srcIsDir = from.isDir;
        if (srcIsDir && FileOps::isInside(destDir, src)) {
            error(src, intoItself());
            return true;
        }
        QString target = FileOps::join(destDir, name);
        if (FileOps::entry(target).exists) {
            // Whatever the names look like, one file must not be written onto itself.
            if (FileOps::sameFile(src, target)) {
                error(src, FileOps::ontoItself());
                return true;
            }
            if (flag(FOF_RENAMEONCOLLISION)) {
                target = FileOps::join(destDir, FileOps::freeName(destDir, name));
            } else if (!flag(FOF_NOCONFIRMATION) && !m_yesToAll) {
                const QString text =
                    (FileOps::isDir(target)
                         ? QCoreApplication::translate(
                               "ShellFileOperation", "This folder already contains a folder named \"%1\".\n\n"
                                                     "Do you want to replace the existing folder?")
                         : QCoreApplication::translate("ShellFileOperation",
                                                       "This folder already contains a file named \"%1\".\n\n"
                                                       "Do you want to replace the existing file?"))
                        .arg(name);
                switch (
                    ask(QCoreApplication::translate("ShellFileOperation", "Confirm File Replace"), text,
                        QMessageBox::Yes | QMessageBox::YesToAll | QMessageBox::No | QMessageBox::Cancel)) {
                case QMessageBox::Yes:
                    break;
                case QMessageBox::YesToAll:
                    m_yesToAll = true;
                    break;
                case QMessageBox::No:
                    m_done += FileOps::totalSize(src);
                    return true;
                default:
                    m_aborted = true;
                    return false;
                }
            }
            if (FileOps::exists(target) && FileOps::isDir(target) != srcIsDir) {
                error(src, srcIsDir ? fileInTheWay() : folderInTheWay());
                return true;
            }
        }
        return srcIsDir ? transferDir(src, target) : transferFile(src, target, from.size);
    }

    bool transferFile(const QString& src, const QString& target, qint64 size)
    {
        atFile(src, target);
        const qint64 before = m_done;
        const FileOps::Progress progress = [this, before](qint64 done) {
            m_now = before + done;
            if (m_progress && (!m_sincePump.isValid() || m_sincePump.elapsed() >= 30))
                m_progress->setBytes(m_now);
            return pump(false);
        };
        const FileResult out =
            move() ? FileOps::moveFile(src, target, progress) : FileOps::copyFile(src, target, progress);
        // A copy is checked against the size of its source, so the size known before stands.
        m_done = m_now = before + size;
        if (m_progress && m_sincePump.elapsed() >= 30)
            m_progress->setBytes(m_done);
        switch (out.status()) {
        case FileResult::Cancelled:
            m_aborted = true;
            return false;
        case FileResult::Failed:
            error(src, out);
            return !m_aborted;
        case FileResult::Done:
            break;
        }
        return pump(false);
    }

    bool transferDir(const QString& src, const QString& target)
    {
        // A whole folder moves with one rename when it can.
        if (move() && !FileOps::exists(target) && FileOps::sameDevice(src, Paths::directory(target))) {
            const FileResult out = FileOps::moveFile(src, target);
            if (out.ok()) {
                m_done += FileOps::totalSize(target);
                return pump(false);
            }
        }
        if (!FileOps::exists(target)) {
            const FileResult made = FileOps::makeDirs(target);
            if (!made.ok()) {
                error(src, made);
                return true;
            }
        }
        const QStringList names = QDir(src).entryList(
            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
        for (const QString& name : names) {
            if (!transfer(FileOps::join(src, name), target))
                return false;
        }
        // The source folder goes once everything in it has gone.
        if (move() &&
            QDir(src).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
            QDir().rmdir(src);
        return true;
    }

    Record& m_r;
    Prompts& m_prompts;
    std::unique_ptr<ShellProgressWindow> m_progress;
    bool m_wantProgress = false;
    bool m_countsItems = false;
    qint64 m_total = 0;
    QElapsedTimer m_started;
    QString m_from, m_to; // the item under way, for the window's labels
    qint64 m_now = 0;     // bytes or items done, for the window's labels
    QElapsedTimer m_sincePump;
    QSet<QString> m_matched; // sources that came from a wildcard
    qint64 m_done = 0;
    bool m_yesToAll = false;
    bool m_aborted = false;
    FileResult m_lastFailure;
};

} // namespace

FileResult run(Record& record, Prompts& prompts)
{
    record.anyOperationsAborted = false;
    Runner runner(record, prompts);
    return runner.run();
}

} // namespace ShellFileOperation
