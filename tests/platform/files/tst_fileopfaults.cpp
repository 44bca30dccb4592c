// The file operation under real faults: full disks from small tmpfs mounts and a second file
// system, in a private mount namespace so that nothing outside the test sees the mounts.
#include "FileFixtures.h"
#include "support/ScriptedPrompts.h"
#include "support/ShellRunLog.h"
#include "support/TrashList.h"

#include "clipmanager/SHFileOp.h"
#include "platform/files/ShellFileOperation.h"
#include "platform/files/ShellProgressWindow.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>

using Fixtures::makeFile;
using Fixtures::makeText;

namespace {
QString g_base;      // root of the test's folders, on the ordinary disk
QString g_skip;      // why the namespace could not be had
QString g_homeMount; // a small tmpfs holding HOME and the home trash

bool mountTmpfs(const QString& where, const char* options)
{
    QDir().mkpath(where);
    return ::mount("tmpfs", QFile::encodeName(where).constData(), "tmpfs", 0, options) == 0;
}

// Fills the file system holding `dir` to the last byte.
void fill(const QString& dir)
{
    QFile f(dir + QStringLiteral("/filler"));
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    const QByteArray block(4096, 'f');
    while (f.write(block) == block.size()) {
    }
    f.close();
}
} // namespace

class TestFileOpFaults : public QObject
{
    Q_OBJECT

private:
    QString m_small, m_disk, m_roomy;

private Q_SLOTS:
    void init()
    {
        if (!g_skip.isEmpty())
            QSKIP(qPrintable(g_skip));
        static int n = 0;
        const QString run = g_base + QStringLiteral("/run%1").arg(++n);
        m_disk = run + QStringLiteral("/disk");
        m_small = run + QStringLiteral("/small");
        m_roomy = run + QStringLiteral("/roomy");
        QDir().mkpath(m_disk);
        QVERIFY(mountTmpfs(m_small, "size=4m"));
        QVERIFY(mountTmpfs(m_roomy, "size=160m"));
    }
    void cleanup()
    {
        if (!g_skip.isEmpty())
            return;
        ::umount2(QFile::encodeName(m_small).constData(), MNT_DETACH);
        ::umount2(QFile::encodeName(m_roomy).constData(), MNT_DETACH);
    }

    void fullDiskInTheMiddleOfACopy_data()
    {
        QTest::addColumn<bool>("move");
        QTest::newRow("copy") << false;
        QTest::newRow("move") << true;
    }
    void fullDiskInTheMiddleOfACopy()
    {
        QFETCH(bool, move);
        const QString big = makeFile(m_disk + "/a-big.mpg", 8 << 20, 5);
        const QString small = makeFile(m_disk + "/b-small.mpg", 100000, 6);
        const QByteArray bigDigest = Fixtures::digest(big), smallDigest = Fixtures::digest(small);
        ScriptedPrompts prompts;
        TShellFileOp f(prompts);
        f.Animate = true;
        f.AddSource(big);
        f.AddSource(small);
        if (move)
            f.MoveFiles(m_small);
        else
            f.CopyFiles(m_small);
        // The failure is shown, the big file is whole where it was and nowhere else, and the run
        // went on with the next file.
        const QStringList texts = prompts.boxTexts();
        QCOMPARE(texts.size(), 1);
        QVERIFY2(
            texts.first().startsWith(QStringLiteral("Cannot %1 a-big.mpg: ").arg(move ? "move" : "copy")),
            qPrintable(texts.first()));
        QVERIFY2(texts.first().contains("No space left"), qPrintable(texts.first()));
        QCOMPARE(Fixtures::digest(big), bigDigest);
        QCOMPARE(Fixtures::entries(m_small), QStringList({"b-small.mpg"}));
        QCOMPARE(Fixtures::digest(m_small + "/b-small.mpg"), smallDigest);
        QCOMPARE(QFile::exists(small), !move);
    }

    void moveToAnotherFileSystem()
    {
        // Copy, check, then delete: mode and time come along, and a cancel leaves both sides as
        // they were.
        const QString clip = makeFile(m_disk + "/clip.mpg", 96 << 20, 8);
        const QString other = makeFile(m_disk + "/other.mpg", 5000, 9);
        QVERIFY(::chmod(QFile::encodeName(other).constData(), 0604) == 0);
        const QDateTime old = QDateTime::fromSecsSinceEpoch(1100000000);
        {
            QFile file(other);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(old, QFileDevice::FileModificationTime));
        }
        const QByteArray clipDigest = Fixtures::digest(clip);
        // An old clip of that name: the question to replace it brings the progress window up at
        // once, so the copy can be cancelled however fast it runs.
        makeText(m_roomy + "/clip.mpg", "the old one");
        ScriptedPrompts prompts;
        prompts.answerBox(QMessageBox::Yes);
        LoggedShellFileOp f(prompts);
        f.Animate = true;
        QTimer poll;
        poll.setInterval(0);
        bool clicked = false;
        connect(&poll, &QTimer::timeout, this, [&] {
            for (QWidget* top : QApplication::topLevelWidgets()) {
                auto* w = qobject_cast<ShellProgressWindow*>(top);
                if (w && !clicked && w->bar()->value() > 0 && w->bar()->value() < 1000) {
                    clicked = true;
                    QTest::mouseClick(w->cancelButton(), Qt::LeftButton);
                }
            }
        });
        poll.start();
        f.AddSource(clip);
        f.MoveFiles(m_roomy);
        poll.stop();
        if (clicked) {
            QVERIFY(f.lastRecord().anyOperationsAborted);
            QCOMPARE(Fixtures::entries(m_roomy), QStringList({"clip.mpg"}));
            QCOMPARE(Fixtures::read(m_roomy + "/clip.mpg"), QByteArray("the old one"));
            QCOMPARE(Fixtures::digest(clip), clipDigest);
            QCOMPARE(prompts.asked.size(), 1);
        } else {
            // A fast disk and GIO's large chunks can end the copy before the window repaints:
            // then there was nothing to cancel, and the clip simply moved.
            qInfo("the copy ended before a cancel could reach it");
            QCOMPARE(Fixtures::digest(m_roomy + "/clip.mpg"), clipDigest);
        }
        QVERIFY(QFile::remove(m_roomy + "/clip.mpg"));
        prompts.asked.clear();

        f.AddSource(other);
        f.MoveFiles(m_roomy);
        QVERIFY(!QFile::exists(other));
        const QFileInfo moved(m_roomy + "/other.mpg");
        QCOMPARE(moved.size(), 5000);
        QCOMPARE(moved.lastModified(), old);
        QCOMPARE(moved.permissions(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser |
                                          QFile::WriteUser | QFile::ReadOther);
        QVERIFY(prompts.asked.isEmpty());
    }

    void caseFoldingFileSystem()
    {
        // A folder that ignores letter case: "CLIPS" and "clips" are one folder, so copying its
        // clips to "CLIPS" would write each file onto itself.
        if (!QFile::exists(QStringLiteral("/sys/fs/ext4/features/casefold")))
            QSKIP("the kernel's ext4 has no case folding");
        const QString image = m_disk + "/ci.img", mnt = m_disk + "/ci";
        QFile img(image);
        QVERIFY(img.open(QIODevice::WriteOnly) && img.resize(16 << 20));
        img.close();
        QDir().mkpath(mnt);
        if (QProcess::execute("mkfs.ext4", {"-q", "-O", "casefold", image}) != 0 ||
            QProcess::execute("mount", {"-o", "loop", image, mnt}) != 0)
            QSKIP("cannot make a case-folding file system here");
        QDir().mkpath(mnt + "/clips");
        const bool folded = QProcess::execute("chattr", {"+F", mnt + "/clips"}) == 0;
        const QString clip = makeFile(mnt + "/clips/Clip.mpg", 300000, 3);
        const QByteArray before = Fixtures::digest(clip);
        for (bool move : {false, true}) {
            ScriptedPrompts prompts;
            TShellFileOp f(prompts);
            f.NoConfirmation = true;
            f.AddSource(clip);
            if (folded && move)
                f.MoveFiles(mnt + "/CLIPS");
            else if (folded)
                f.CopyFiles(mnt + "/CLIPS");
            if (folded)
                QCOMPARE(prompts.boxTexts().size(), 1);
            QCOMPARE(Fixtures::digest(clip), before);
        }
        ::umount2(QFile::encodeName(mnt).constData(), MNT_DETACH);
        if (!folded)
            QSKIP("chattr +F refused");
    }

    void trashOnAFullDiskLeavesNoEmptyRecord()
    {
        const QString trash = qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Trash");
        QVERIFY(QDir().mkpath(trash + "/info") && QDir().mkpath(trash + "/files"));
        const QString victim = makeText(g_homeMount + "/50% ü clip.mpg", "precious");
        fill(g_homeMount);
        ScriptedPrompts prompts;
        TShellFileOp f(prompts);
        f.NoConfirmation = true;
        f.AddSource(victim);
        f.DeleteFiles();
        QFile::remove(g_homeMount + "/filler");
        // Reported, and the file is back where it was with its contents.
        // GIO itself reports success here, leaving an empty record behind; ours must not.
        QCOMPARE(
            prompts.boxTexts(),
            QStringList(
                {QStringLiteral(
                     "Cannot delete 50% ü clip.mpg: Unable to move %1 to the trash: No space left on device")
                     .arg(victim)}));
        QCOMPARE(Fixtures::read(victim), QByteArray("precious"));
        QCOMPARE(Fixtures::entries(trash + "/info"), QStringList());
        QCOMPARE(Fixtures::entries(trash + "/files"), QStringList());

        // With room again the same file goes to the trash with a whole, readable record.
        prompts.clear();
        f.AddSource(victim);
        f.DeleteFiles();
        QVERIFY(prompts.asked.isEmpty());
        QVERIFY(!QFile::exists(victim));
        bool haveTrashList = false;
        const QStringList listed = trashListPaths(&haveTrashList);
        if (haveTrashList)
            QVERIFY2(listed.contains(victim), qPrintable(listed.join(u'\n')));
        f.AddSource(victim); // gone now: shown, the run goes on
        f.DeleteFiles();
        QCOMPARE(prompts.boxTexts().size(), 1);
    }

    void noUsableTrashIsReportedNotDeleted()
    {
        // A tmpfs has no trash of its own; the file must stay, not vanish for good.
        const QString clip = makeText(m_small + "/clip.mpg", "keep me");
        ScriptedPrompts prompts;
        TShellFileOp f(prompts);
        f.AddSource(clip);
        prompts.answerBox(QMessageBox::Yes);
        QCOMPARE(f.DeleteFiles(), false);
        QCOMPARE(prompts.boxes().size(), 2);
        QCOMPARE(prompts.boxes().last().caption, QStringLiteral("Error Deleting File or Folder"));
        QVERIFY(prompts.boxes().last().text.startsWith("Cannot delete clip.mpg: "));
        QCOMPARE(Fixtures::read(clip), QByteArray("keep me"));
    }
};

int main(int argc, char** argv)
{
    // The namespace has to be made while the process has one thread only.
    QTemporaryDir base;
    g_base = base.path();
    if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        g_skip = QStringLiteral("needs a private mount namespace (run as root)");
    } else {
        g_homeMount = g_base + QStringLiteral("/home");
        if (!mountTmpfs(g_homeMount, "size=512k"))
            g_skip = QStringLiteral("cannot mount a tmpfs");
        else
            Fixtures::usePrivateHome(g_homeMount);
    }
    int rc = 0;
    {
        QApplication app(argc, argv);
        TestFileOpFaults t;
        rc = QTest::qExec(&t, argc, argv);
    }
    if (g_skip.isEmpty())
        ::umount2(QFile::encodeName(g_homeMount).constData(), MNT_DETACH);
    return rc;
}

#include "tst_fileopfaults.moc"
