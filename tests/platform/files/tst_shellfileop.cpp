// The file operation component on real files: its flags and batch rules, the trash, copy and move
// with every question the shell asks, the progress window, and the cases where a file would be
// written onto itself.
#include "FileFixtures.h"
#include "support/OtherUser.h"
#include "support/ScriptedPrompts.h"
#include "support/ShellRunLog.h"
#include "support/TrashList.h"

#include "clipmanager/SHFileOp.h"
#include "platform/files/FileOps.h"
#include "platform/files/ShellFileOperation.h"
#include "platform/files/ShellProgressWindow.h"
#include "platform/files/Trash.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace ShellFileOperation;
using Fixtures::makeFile;
using Fixtures::makeText;

class TestShellFileOp : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir* m_dir = nullptr;
    QString dir(const QString& name)
    {
        const QString path = m_dir->filePath(name);
        QDir().mkpath(path);
        return path;
    }

private Q_SLOTS:
    void init()
    {
        m_dir = new QTemporaryDir;
        QVERIFY(m_dir->isValid());
    }
    void cleanup()
    {
        delete m_dir;
        m_dir = nullptr;
    }

    void flagTable_data()
    {
        QTest::addColumn<unsigned>("op");
        QTest::addColumn<bool>("filesOnly");
        QTest::addColumn<bool>("noConfirmation");
        QTest::addColumn<bool>("autoMakeDir");
        QTest::addColumn<bool>("renameOnCollision");
        QTest::addColumn<bool>("animate");
        QTest::addColumn<QString>("title");
        QTest::addColumn<unsigned>("expected");

        QTest::newRow("nothing set, copy")
            << unsigned(FO_COPY) << false << false << false << false << false << QString() << 0x0004u;
        QTest::newRow("animated, no title")
            << unsigned(FO_COPY) << false << false << false << false << true << QString() << 0x0000u;
        QTest::newRow("silent whatever the title")
            << unsigned(FO_MOVE) << false << false << false << false << false << "T" << 0x0104u;
        QTest::newRow("files only") << unsigned(FO_COPY) << true << false << false << false << true
                                    << QString() << 0x0080u;
        QTest::newRow("no confirmation")
            << unsigned(FO_COPY) << false << true << false << false << true << QString() << 0x0010u;
        QTest::newRow("auto make dir, copy")
            << unsigned(FO_COPY) << false << false << true << false << true << QString() << 0x0200u;
        QTest::newRow("rename on collision, move")
            << unsigned(FO_MOVE) << false << false << false << true << true << QString() << 0x0008u;
        QTest::newRow("delete ignores mkdir and rename")
            << unsigned(FO_DELETE) << false << false << true << true << true << QString() << 0x0000u;
        QTest::newRow("clip manager's copy")
            << unsigned(FO_COPY) << true << false << false << false << true << "Vidmarro" << 0x0180u;
        QTest::newRow("everything, copy")
            << unsigned(FO_COPY) << true << true << true << true << false << "X" << 0x039Cu;
    }
    void flagTable()
    {
        QFETCH(unsigned, op);
        ScriptedPrompts prompts;
        TShellFileOp f(prompts);
        QFETCH(bool, filesOnly);
        QFETCH(bool, noConfirmation);
        QFETCH(bool, autoMakeDir);
        QFETCH(bool, renameOnCollision);
        QFETCH(bool, animate);
        QFETCH(QString, title);
        QFETCH(unsigned, expected);
        f.FilesOnly = filesOnly;
        f.NoConfirmation = noConfirmation;
        f.AutoMakeDir = autoMakeDir;
        f.RenameOnCollision = renameOnCollision;
        f.Animate = animate;
        f.ProgressTitle = title;
        QCOMPARE(f.flagsFor(op), expected);
    }

    void sourceListOrderAndDuplicates()
    {
        ScriptedPrompts prompts;
        LoggedShellFileOp f(prompts);
        const QString d = dir(QStringLiteral("src"));
        f.AddSource(d + QStringLiteral("/b.mpg"));
        f.AddSource(d + QStringLiteral("/C.mpg"));
        f.AddSource(d + QStringLiteral("/a.mpg"));
        f.AddSource(d + QStringLiteral("/B.MPG")); // already there in another case
        f.AddSource(d + QStringLiteral("/b.mpg"));
        QCOMPARE(f.sources().items(), QStringList({d + "/a.mpg", d + "/b.mpg", d + "/C.mpg"}));

        // The batch reaches the shell in that order and is spent by the run, even one that finds
        // nothing (the files do not exist: three error boxes, one per file, in order).
        f.CopyFiles(dir(QStringLiteral("dst")));
        QCOMPARE(f.lastRecord().sources, QStringList({d + "/a.mpg", d + "/b.mpg", d + "/C.mpg"}));
        QVERIFY(f.sources().isEmpty());
        QCOMPARE(prompts.boxTexts(), QStringList({"Cannot copy a.mpg: Cannot find the specified file.",
                                                  "Cannot copy b.mpg: Cannot find the specified file.",
                                                  "Cannot copy C.mpg: Cannot find the specified file."}));
        QCOMPARE(prompts.boxes().first().caption, QStringLiteral("Error Copying File or Folder"));

        // An empty batch never reaches the shell.
        const int runs = f.runs();
        QCOMPARE(f.DeleteFiles(), false);
        QCOMPARE(f.runs(), runs);
    }

    void undoSwitchBelongsToTheDelete()
    {
        ScriptedPrompts prompts;
        LoggedShellFileOp f(prompts);
        f.ProgressTitle = QStringLiteral("Vidmarro");
        f.FilesOnly = true;
        f.Animate = true;
        QVERIFY(!(f.flagsFor(FO_COPY) & FOF_ALLOWUNDO));
        f.AddSource(makeText(dir(QStringLiteral("t")) + "/gone.mpg", "g"));
        prompts.answerBox(QMessageBox::Yes);
        QCOMPARE(f.DeleteFiles(), false);
        QCOMPARE(f.lastRecord().flags, unsigned(FOF_FILESONLY | FOF_ALLOWUNDO | FOF_SIMPLEPROGRESS));
        QVERIFY(!f.undo());
        QCOMPARE(f.DeleteFiles(), false); // an empty batch leaves it off as well
        QVERIFY(!f.undo());
        // The next run of the same component is a plain copy.
        const QString src = makeText(dir(QStringLiteral("s")) + "/x.mpg", "x");
        f.AddSource(src);
        f.CopyFiles(dir(QStringLiteral("d")));
        QCOMPARE(f.lastRecord().flags, unsigned(FOF_FILESONLY | FOF_SIMPLEPROGRESS));
        QCOMPARE(f.lastRecord().progressTitle, QStringLiteral("Vidmarro"));
        QCOMPARE(f.destination(), m_dir->filePath("d"));
        QVERIFY(QFile::exists(m_dir->filePath("d/x.mpg")));
        QVERIFY(QFile::exists(src));
    }

    // A record that GIO left cut short is written again, its path escaped as a URI path so that
    // other readers of the trash see the name as it was; where the disk refuses that too, the file
    // goes back where it was.
    void cutTrashRecord_data()
    {
        QTest::addColumn<int>("keep"); // bytes of the record left; -1 all but the last five
        QTest::addColumn<bool>("refused");
        QTest::addColumn<QString>("name"); // empty: named after the row
        QTest::newRow("empty") << 0 << false << QString();
        QTest::newRow("after the header") << 13 << false << QString();
        QTest::newRow("in the path") << 20 << false << QString();
        QTest::newRow("in the date") << -1 << false << QString();
        QTest::newRow("after the header, disk refuses") << 13 << true << QString();
        QTest::newRow("a name to escape") << 0 << false << QStringLiteral("100% a%20b #1 Über café.mpg");
    }
    void cutTrashRecord()
    {
        QFETCH(int, keep);
        QFETCH(bool, refused);
        QFETCH(QString, name);
        if (name.isEmpty())
            name = QString::fromLatin1(QTest::currentDataTag()).replace(u' ', u'_') + ".mpg";
        const QString clip = makeText(dir(QStringLiteral("cut")) + u'/' + name, "clip");
        struct stat st;
        QCOMPARE(::lstat(QFile::encodeName(clip).constData(), &st), 0);
        QVERIFY(Trash::moveToTrash(clip).ok());
        const QString trash = qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Trash");
        const QString info = trash + "/info/" + name + ".trashinfo";
        QFile record(info);
        QVERIFY(record.resize(keep < 0 ? record.size() - 5 : keep));

        struct rlimit old;
        ::getrlimit(RLIMIT_FSIZE, &old);
        if (refused) {
            ::signal(SIGXFSZ, SIG_IGN);
            struct rlimit tiny = old;
            tiny.rlim_cur = 8;
            ::setrlimit(RLIMIT_FSIZE, &tiny);
        }
        const FileResult kept = Trash::keepRecord(clip, st.st_dev, st.st_ino);
        ::setrlimit(RLIMIT_FSIZE, &old);
        if (refused) {
            QCOMPARE(kept.text(), QStringLiteral("Unable to move %1 to the trash: File too large").arg(clip));
            QCOMPARE(Fixtures::read(clip), QByteArray("clip"));
            QVERIFY(!QFile::exists(info));
            return;
        }
        QVERIFY2(kept.ok(), qPrintable(kept.text()));
        const QByteArray text = Fixtures::read(info);
        QVERIFY2(text.startsWith("[Trash Info]\nPath=" + QFile::encodeName(clip).toPercentEncoding("/") +
                                 "\nDeletionDate="),
                 text);
        bool haveTrashList = false;
        const QStringList listed = trashListPaths(&haveTrashList);
        if (!haveTrashList)
            return;
        QVERIFY2(listed.contains(clip), qPrintable(listed.join(u'\n')));
        // trash-restore puts it back where the record says.
        QVERIFY(trashRestore(QFileInfo(clip).absolutePath(), 0));
        QCOMPARE(Fixtures::read(clip), QByteArray("clip"));
        QVERIFY(!QFile::exists(info));
    }

    void deleteSendsToTheTrash()
    {
        ScriptedPrompts prompts;
        TShellFileOp f(prompts);
        f.FilesOnly = true;
        f.Animate = true;
        f.ProgressTitle = QStringLiteral("Vidmarro");
        const QString d = dir(QStringLiteral("clips"));
        // Names the trash record must escape, and a folder matched by a wildcard that FilesOnly
        // leaves alone.
        const QStringList names = {QStringLiteral("100% sure.mpg"), QStringLiteral("a%20b c.avi"),
                                   QStringLiteral("Über café ♫.mp3")};
        for (const QString& n : names)
            makeText(d + u'/' + n, n.toUtf8());
        dir(QStringLiteral("clips/sub"));
        for (const QString& n : names)
            f.AddSource(d + u'/' + n);
        f.AddSource(d + QStringLiteral("/s*"));
        f.AddSource(d + QStringLiteral("/gone.mpg"));

        // The progress window counts the items of a delete, not bytes.
        QString progressAtError;
        prompts.onBox = [&](const MessageBoxRequest& box) {
            if (!box.text.contains("gone.mpg"))
                return;
            for (QWidget* top : QApplication::topLevelWidgets()) {
                if (auto* w = qobject_cast<ShellProgressWindow*>(top))
                    progressAtError = w->bytesLabel()->text();
            }
        };
        prompts.answerBox(QMessageBox::Yes);
        QCOMPARE(f.DeleteFiles(), false);
        prompts.onBox = nullptr;
        QCOMPARE(progressAtError, QStringLiteral("2 of 5 items"));
        const auto boxes = prompts.boxes();
        QCOMPARE(boxes.size(), 2);
        QCOMPARE(boxes[0].caption, QStringLiteral("Confirm Multiple File Delete"));
        QCOMPARE(boxes[0].text, QStringLiteral("Are you sure you want to move these 3 items to the trash?"));
        QCOMPARE(boxes[0].buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(boxes[1].text, QStringLiteral("Cannot delete gone.mpg: Cannot find the specified file."));
        QCOMPARE(Fixtures::entries(d), QStringList({"sub"}));

        bool haveTrashList = false;
        const QStringList listed = trashListPaths(&haveTrashList);
        if (!haveTrashList)
            QSKIP("trash-list (trash-cli) is not installed");
        for (const QString& n : names)
            QVERIFY2(listed.contains(d + u'/' + n), qPrintable(listed.join(u'\n')));
        // Every record is whole, and the trashed files kept their contents.
        const QString trash = qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Trash");
        for (const QString& info : Fixtures::entries(trash + "/info"))
            QVERIFY(QFileInfo(trash + "/info/" + info).size() > 0);
        for (const QString& n : names)
            QCOMPARE(Fixtures::read(trash + "/files/" + n), n.toUtf8());
    }

    void declinedDeleteReportsAbort()
    {
        ScriptedPrompts prompts;
        TShellFileOp f(prompts);
        const QString file = makeText(dir(QStringLiteral("c")) + "/keep.mpg", "k");
        f.AddSource(file);
        prompts.answerBox(QMessageBox::No);
        QCOMPARE(f.DeleteFiles(), true);
        QCOMPARE(prompts.boxes().first().text,
                 QStringLiteral("Are you sure you want to move \"keep.mpg\" to the trash?"));
        QCOMPARE(prompts.boxes().first().caption, QStringLiteral("Confirm File Delete"));
        QVERIFY(QFile::exists(file));
        QVERIFY(f.sources().isEmpty());

        // NoConfirmation asks nothing.
        f.NoConfirmation = true;
        f.AddSource(file);
        prompts.clear();
        QCOMPARE(f.DeleteFiles(), false);
        QVERIFY(prompts.asked.isEmpty());
        QVERIFY(!QFile::exists(file));
    }

    void permanentDeleteWithoutUndo()
    {
        // The component always deletes to the trash; without the undo flag the shell deletes for good.
        ScriptedPrompts prompts;
        const QString d = dir(QStringLiteral("p"));
        makeText(d + "/one.mpg", "1");
        makeText(dir(QStringLiteral("p/folder")) + "/inner.mpg", "2");
        Record r;
        r.operation = FO_DELETE;
        r.flags = FOF_SILENT;
        r.sources = {d + "/one.mpg", d + "/folder"};
        prompts.answerBox(QMessageBox::Yes);
        QVERIFY(run(r, prompts).ok());
        QCOMPARE(prompts.boxes().first().text,
                 QStringLiteral("Are you sure you want to permanently delete these 2 items?"));
        QVERIFY(Fixtures::entries(d).isEmpty());
        const QString trash = qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Trash/files");
        QVERIFY(!QFile::exists(trash + "/one.mpg"));
    }

    void copyAndMoveKeepModeAndTime()
    {
        ScriptedPrompts prompts;
        TShellFileOp f(prompts);
        const QString s = dir(QStringLiteral("s"));
        const QString a = makeFile(s + "/a.mpg", 300000, 1);
        const QString b = makeFile(s + "/b.mpg", 1000, 2);
        QVERIFY(::chmod(QFile::encodeName(a).constData(), 0640) == 0);
        const QDateTime old = QDateTime::fromSecsSinceEpoch(1000000000);
        for (const QString& p : {a, b}) {
            QFile file(p);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(old, QFileDevice::FileModificationTime));
        }
        const QByteArray da = Fixtures::digest(a), db = Fixtures::digest(b);
        const QString d = dir(QStringLiteral("d"));
        f.AddSource(a);
        f.AddSource(b);
        f.CopyFiles(d);
        QCOMPARE(Fixtures::entries(d), QStringList({"a.mpg", "b.mpg"}));
        QCOMPARE(Fixtures::digest(d + "/a.mpg"), da);
        QCOMPARE(QFileInfo(d + "/a.mpg").permissions(), QFileInfo(a).permissions());
        QCOMPARE(QFileInfo(d + "/a.mpg").lastModified(), old);
        QVERIFY(prompts.asked.isEmpty());

        // On the same file system a move is a rename: the file keeps its inode.
        const QString m = dir(QStringLiteral("m"));
        struct stat before;
        QVERIFY(::stat(QFile::encodeName(a).constData(), &before) == 0);
        f.AddSource(a);
        f.AddSource(b);
        f.MoveFiles(m);
        QCOMPARE(Fixtures::entries(s), QStringList());
        struct stat after;
        QVERIFY(::stat(QFile::encodeName(m + "/a.mpg").constData(), &after) == 0);
        QCOMPARE(after.st_ino, before.st_ino);
        QCOMPARE(Fixtures::digest(m + "/b.mpg"), db);
        QCOMPARE(QFileInfo(m + "/b.mpg").lastModified(), old);
    }

    void missingDestinationFolder()
    {
        ScriptedPrompts prompts;
        LoggedShellFileOp f(prompts);
        const QString src = makeText(dir(QStringLiteral("s")) + "/a.mpg", "a");
        const QString dest = m_dir->filePath("new/deeper");

        f.AddSource(src);
        prompts.answerBox(QMessageBox::No);
        f.CopyFiles(dest);
        QCOMPARE(prompts.boxes().first().caption, QStringLiteral("Confirm Folder Create"));
        QVERIFY(f.lastRecord().anyOperationsAborted);
        QVERIFY(!QFile::exists(m_dir->filePath("new")));

        prompts.clear();
        f.AddSource(src);
        prompts.answerBox(QMessageBox::Yes);
        f.CopyFiles(dest);
        QVERIFY(QFile::exists(dest + "/a.mpg"));

        // AutoMakeDir makes it without asking.
        prompts.clear();
        f.AutoMakeDir = true;
        f.AddSource(src);
        f.MoveFiles(m_dir->filePath("other/x"));
        QVERIFY(prompts.asked.isEmpty());
        QVERIFY(QFile::exists(m_dir->filePath("other/x/a.mpg")));
        QVERIFY(!QFile::exists(src));

        // NoConfirmation answers the question with yes.
        prompts.clear();
        f.AutoMakeDir = false;
        f.NoConfirmation = true;
        f.AddSource(m_dir->filePath("other/x/a.mpg"));
        f.CopyFiles(m_dir->filePath("third/y"));
        QVERIFY(prompts.asked.isEmpty());
        QVERIFY(QFile::exists(m_dir->filePath("third/y/a.mpg")));
    }

    void collisionQuestions()
    {
        ScriptedPrompts prompts;
        LoggedShellFileOp f(prompts);
        const QString s = dir(QStringLiteral("s")), d = dir(QStringLiteral("d"));
        for (const char* n : {"1.mpg", "2.mpg", "3.mpg", "4.mpg"}) {
            makeText(s + u'/' + QLatin1String(n), QByteArray("new ") + n);
            makeText(d + u'/' + QLatin1String(n), QByteArray("old ") + n);
        }
        auto addAll = [&] {
            for (const char* n : {"1.mpg", "2.mpg", "3.mpg", "4.mpg"})
                f.AddSource(s + u'/' + QLatin1String(n));
        };
        // Skip 1, replace 2, cancel at 3: 3 and 4 stay old.
        addAll();
        prompts.answerBox(QMessageBox::No);
        prompts.answerBox(QMessageBox::Yes);
        prompts.answerBox(QMessageBox::Cancel);
        f.CopyFiles(d);
        QCOMPARE(prompts.boxes().size(), 3);
        QCOMPARE(prompts.boxes().first().caption, QStringLiteral("Confirm File Replace"));
        QCOMPARE(prompts.boxes().first().buttons,
                 QMessageBox::Yes | QMessageBox::YesToAll | QMessageBox::No | QMessageBox::Cancel);
        QCOMPARE(Fixtures::read(d + "/1.mpg"), QByteArray("old 1.mpg"));
        QCOMPARE(Fixtures::read(d + "/2.mpg"), QByteArray("new 2.mpg"));
        QCOMPARE(Fixtures::read(d + "/3.mpg"), QByteArray("old 3.mpg"));
        QVERIFY(f.lastRecord().anyOperationsAborted);
        QCOMPARE(Fixtures::entries(d).size(), 4); // no stray temporary files

        // Yes to all answers the rest.
        prompts.clear();
        addAll();
        prompts.answerBox(QMessageBox::YesToAll);
        f.CopyFiles(d);
        QCOMPARE(prompts.boxes().size(), 1);
        QCOMPARE(Fixtures::read(d + "/4.mpg"), QByteArray("new 4.mpg"));

        // Rename on collision keeps both; no confirmation replaces without asking.
        prompts.clear();
        makeText(d + "/1.mpg", "old again");
        f.RenameOnCollision = true;
        f.AddSource(s + "/1.mpg");
        f.AddSource(s + "/1.mpg");
        f.CopyFiles(d);
        f.AddSource(s + "/1.mpg");
        f.CopyFiles(d);
        QCOMPARE(Fixtures::read(d + "/1.mpg"), QByteArray("old again"));
        QCOMPARE(Fixtures::read(d + "/1 (2).mpg"), QByteArray("new 1.mpg"));
        QCOMPARE(Fixtures::read(d + "/1 (3).mpg"), QByteArray("new 1.mpg"));
        f.RenameOnCollision = false;
        f.NoConfirmation = true;
        f.AddSource(s + "/1.mpg");
        f.MoveFiles(d);
        QVERIFY(prompts.asked.isEmpty());
        QCOMPARE(Fixtures::read(d + "/1.mpg"), QByteArray("new 1.mpg"));
        QVERIFY(!QFile::exists(s + "/1.mpg"));
    }

    void foldersAndWildcards()
    {
        ScriptedPrompts prompts;
        TShellFileOp f(prompts);
        const QString s = dir(QStringLiteral("s"));
        makeText(s + "/a.mpg", "a");
        makeText(s + "/b.avi", "b");
        makeText(dir(QStringLiteral("s/folder.mpg")) + "/inner.mpg", "i");
        const QString d = dir(QStringLiteral("d"));

        f.FilesOnly = true;
        f.AddSource(s + "/*.mpg");
        f.CopyFiles(d);
        QCOMPARE(Fixtures::entries(d), QStringList({"a.mpg"}));

        // Without FilesOnly the wildcard's folders go too, with what they hold.
        f.FilesOnly = false;
        f.AddSource(s + "/*.mpg");
        f.CopyFiles(dir(QStringLiteral("all")));
        QCOMPARE(Fixtures::read(m_dir->filePath("all/folder.mpg/inner.mpg")), QByteArray("i"));

        // FilesOnly is about wildcards: a folder named as such goes whole, its subfolders too.
        f.FilesOnly = true;
        makeText(dir(QStringLiteral("s/folder.mpg/sub")) + "/deep.mpg", "d");
        f.AddSource(s + "/folder.mpg");
        f.MoveFiles(d);
        QCOMPARE(Fixtures::read(d + "/folder.mpg/inner.mpg"), QByteArray("i"));
        QCOMPARE(Fixtures::read(d + "/folder.mpg/sub/deep.mpg"), QByteArray("d"));
        QVERIFY(!QFile::exists(s + "/folder.mpg"));

        // A folder never goes into itself.
        prompts.clear();
        f.AddSource(d + "/folder.mpg");
        f.CopyFiles(dir(QStringLiteral("d/folder.mpg/deeper")));
        QCOMPARE(prompts.boxTexts().last(),
                 QStringLiteral(
                     "Cannot copy folder.mpg: The destination folder is a subfolder of the source folder."));

        // A folder move that fails says so and leaves the folder where it was.
        QCOMPARE(FileOps::moveFile(d + "/folder.mpg", d + "/gone/folder.mpg").status(), FileResult::Failed);
        QCOMPARE(Fixtures::read(d + "/folder.mpg/inner.mpg"), QByteArray("i"));
    }

    void neverCopyAFileOntoItself_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("move");
        for (bool move : {false, true}) {
            const char* op = move ? "move" : "copy";
            QTest::addRow("%s, same folder", op) << "same" << move;
            QTest::addRow("%s, folder symlinked to the source folder", op) << "dirlink" << move;
            QTest::addRow("%s, symlink to the file in the way", op) << "filelink" << move;
            QTest::addRow("%s, hard link in the way", op) << "hardlink" << move;
        }
    }
    void neverCopyAFileOntoItself()
    {
        QFETCH(QString, how);
        QFETCH(bool, move);
        const QString s = dir(QStringLiteral("s"));
        const QString clip = makeFile(s + "/clip.mpg", 200000, 7);
        const QByteArray before = Fixtures::digest(clip);
        QString dest = s;
        if (how == "dirlink") {
            dest = m_dir->filePath("link");
            QVERIFY(QFile::link(s, dest));
        } else if (how == "filelink") {
            dest = dir(QStringLiteral("d"));
            QVERIFY(QFile::link(clip, dest + "/clip.mpg"));
        } else if (how == "hardlink") {
            dest = dir(QStringLiteral("d"));
            QVERIFY(::link(QFile::encodeName(clip).constData(),
                           QFile::encodeName(dest + "/clip.mpg").constData()) == 0);
        }
        for (bool noConfirmation : {false, true}) {
            ScriptedPrompts prompts;
            TShellFileOp f(prompts);
            f.NoConfirmation = noConfirmation;
            f.Animate = true;
            f.AddSource(clip);
            if (move)
                f.MoveFiles(dest);
            else
                f.CopyFiles(dest);
            QCOMPARE(
                prompts.boxTexts(),
                QStringList(
                    {QStringLiteral("Cannot %1 clip.mpg: The source and destination file names are the same.")
                         .arg(move ? "move" : "copy")}));
            QCOMPARE(Fixtures::digest(clip), before);
            QCOMPARE(Fixtures::digest(dest + "/clip.mpg"), before);
        }
        // The file layer refuses on its own as well.
        QCOMPARE(FileOps::copyFile(clip, dest + "/clip.mpg").status(), FileResult::Failed);
        QCOMPARE(FileOps::moveFile(clip, dest + "/clip.mpg").status(), FileResult::Failed);
        QCOMPARE(Fixtures::digest(clip), before);
        QCOMPARE(Fixtures::entries(s), QStringList({"clip.mpg"}));
    }

    void progressWindowAndCancel()
    {
        ScriptedPrompts prompts;
        LoggedShellFileOp f(prompts);
        f.Animate = true;
        f.ProgressTitle = QStringLiteral("Vidmarro");
        const QString s = dir(QStringLiteral("s"));
        const QString big = makeFile(s + "/big.mpg", 256LL << 20, 3);
        const QString small = makeFile(s + "/small.mpg", 1000, 4);
        const QString d = dir(QStringLiteral("d"));
        makeText(d + "/big.mpg", "the old one");

        // Cancel once the window shows some bytes of the big file done.
        QString title, fileText;
        int seenDone = -1;
        QTimer poll;
        poll.setInterval(0);
        connect(&poll, &QTimer::timeout, this, [&] {
            auto* w = qApp->findChild<ShellProgressWindow*>();
            for (QWidget* top : QApplication::topLevelWidgets()) {
                if (auto* p = qobject_cast<ShellProgressWindow*>(top))
                    w = p;
            }
            if (!w || !w->isVisible() || !w->cancelButton()->isEnabled())
                return;
            const int v = w->bar()->value();
            if (v > 0 && v < 1000 && w->fileLabel()->text().contains("big.mpg")) {
                title = w->windowTitle();
                fileText = w->fileLabel()->text();
                seenDone = v;
                QTest::mouseClick(w->cancelButton(), Qt::LeftButton);
            }
        });
        poll.start();
        f.AddSource(big);
        f.AddSource(small);
        prompts.answerBox(QMessageBox::Yes); // replace the old big.mpg
        f.CopyFiles(d);
        poll.stop();
        QVERIFY2(seenDone > 0, "the progress window never showed the copy under way");
        QCOMPARE(title, QStringLiteral("Vidmarro"));
        QCOMPARE(fileText, QStringLiteral("Copying big.mpg"));
        QVERIFY(f.lastRecord().anyOperationsAborted);
        // The old file is whole, nothing half-written lies about, and the run stopped there.
        QCOMPARE(Fixtures::entries(d), QStringList({"big.mpg"}));
        QCOMPARE(Fixtures::read(d + "/big.mpg"), QByteArray("the old one"));
        QCOMPARE(QFileInfo(big).size(), 256LL << 20);
        QVERIFY(QApplication::topLevelWidgets().isEmpty() ||
                std::none_of(QApplication::topLevelWidgets().begin(), QApplication::topLevelWidgets().end(),
                             [](QWidget* w) { return qobject_cast<ShellProgressWindow*>(w) != nullptr; }));

        // Silent runs show no window at all.
        f.Animate = false;
        f.AddSource(small);
        bool windowSeen = false;
        QTimer watch;
        watch.setInterval(0);
        connect(&watch, &QTimer::timeout, this, [&] {
            for (QWidget* top : QApplication::topLevelWidgets())
                windowSeen |= qobject_cast<ShellProgressWindow*>(top) != nullptr;
        });
        watch.start();
        f.CopyFiles(d);
        watch.stop();
        QVERIFY(!windowSeen);
        QVERIFY(QFile::exists(d + "/small.mpg"));
    }

    void accessErrorsAsAnotherUser()
    {
        // Root ignores file modes: the faults need an unprivileged user.
        const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
        if (setpriv.isEmpty() || ::geteuid() != 0)
            QSKIP("needs root and setpriv to run as an unprivileged user");
        QString why;
        const QString helper = OtherUser::reachableCopy(QCoreApplication::applicationFilePath(), &why);
        if (helper.isEmpty())
            QSKIP(qPrintable(why));
        QVERIFY(::chmod(QFile::encodeName(m_dir->path()).constData(), 0777) == 0);
        const QString s = dir(QStringLiteral("s")), d = dir(QStringLiteral("d"));
        const QString locked = makeText(s + "/a-locked.mpg", "secret");
        const QString open = makeText(s + "/b-open.mpg", "open");
        QVERIFY(::chmod(QFile::encodeName(locked).constData(), 0600) == 0);
        for (const QString& p : {s, d})
            QVERIFY(::chmod(QFile::encodeName(p).constData(), 0777) == 0);
        QVERIFY(::chmod(QFile::encodeName(open).constData(), 0644) == 0);

        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), m_dir->path());
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_dir->filePath("nobody-data"));
        p.setProcessEnvironment(env);
        p.start(setpriv, {"--reuid=65534", "--regid=65534", "--clear-groups", helper, "--copy-as-helper", d,
                          locked, open});
        QVERIFY(p.waitForFinished(120000));
        if (p.exitCode() == 77)
            QSKIP("could not run as the unprivileged user");
        const QStringList boxes =
            QString::fromUtf8(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(p.exitCode(), 0);
        QCOMPARE(boxes.size(), 1);
        QVERIFY2(boxes.first().startsWith("Error Copying File or Folder|Cannot copy a-locked.mpg: "),
                 qPrintable(boxes.first()));
        QVERIFY2(boxes.first().contains("ermission denied"), qPrintable(boxes.first()));
        QCOMPARE(Fixtures::entries(d), QStringList({"b-open.mpg"}));
    }
};

// Runs one copy as whoever this process is, printing each box as "caption|text".
static int copyAsHelper(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (::geteuid() == 0)
        return 77;
    ScriptedPrompts prompts;
    TShellFileOp f(prompts);
    for (int i = 3; i < argc; ++i)
        f.AddSource(QString::fromLocal8Bit(argv[i]));
    f.CopyFiles(QString::fromLocal8Bit(argv[2]));
    for (const MessageBoxRequest& b : prompts.boxes())
        printf("%s|%s\n", qPrintable(b.caption), qPrintable(b.text));
    return 0;
}

int main(int argc, char** argv)
{
    if (argc > 2 && qstrcmp(argv[1], "--copy-as-helper") == 0)
        return copyAsHelper(argc, argv);
    // A private home and trash on the same file system as the test files, set before GIO reads them.
    QTemporaryDir home;
    Fixtures::usePrivateHome(home.path());
    QApplication app(argc, argv);
    TestShellFileOp t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_shellfileop.moc"
