// Hostile files where the program expects its own: settings that are binary, huge, doubled or not
// a file at all; playlists that are a folder, a device, a symlink loop or a pipe. The program
// must give a clear message or the defaults, never crash or hang (the test's timeout catches a
// hang), and must not destroy what is there.
#include "FaultOps.h"
#include "support/RecordingServices.h"
#include "support/ScriptedPrompts.h"
#include "support/WindowFixture.h"

#include "app/wmt.h"
#include "common/AppError.h"
#include "common/FileResult.h"
#include "common/IniFile.h"
#include "common/SafeFile.h"
#include "common/SharedState.h"
#include "editor/MangleU.h"
#include "platform/Services.h"
#include "playlist/CCFuncs.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

using FaultOps::readFile;
using FaultOps::writeFile;

namespace {

using Fixture = WindowFixture;

QByteArray binary()
{
    QByteArray b(8192, Qt::Uninitialized);
    for (int i = 0; i < b.size(); ++i)
        b[i] = char((i * 131) ^ (i >> 3));
    return b;
}

// What a playlist path may be instead of a playlist; made in `dir`, named `name`.
QString makeHostile(const QString& kind, const QString& dir, const QString& name)
{
    const QString path = QDir(dir).filePath(name);
    const QByteArray local = QFile::encodeName(path);
    if (kind == QLatin1String("folder"))
        QDir().mkdir(path);
    else if (kind == QLatin1String("pipe"))
        ::mkfifo(local.constData(), 0644);
    else if (kind == QLatin1String("symlink loop"))
        QFile::link(path, path); // points at itself
    else if (kind == QLatin1String("/dev/zero") || kind == QLatin1String("/dev/null"))
        QFile::link(kind, path);
    return path;
}

const QStringList HostileKinds = {"folder", "pipe", "symlink loop", "/dev/zero", "/dev/null"};

// `ln -s target link` as the unprivileged user.
bool linkAsNobody(const QString& target, const QString& link)
{
    return QProcess::execute(QStringLiteral("setpriv"),
                             {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                              QStringLiteral("--clear-groups"), QStringLiteral("ln"), QStringLiteral("-s"),
                              target, link}) == 0;
}

} // namespace

class TestHostile : public QObject
{
    Q_OBJECT
    QTemporaryDir m_runtime; // the single-instance guard's lock
    int m_tried = 0, m_messages = 0, m_defaults = 0;

private Q_SLOTS:
    void initTestCase() { qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path())); }
    void cleanupTestCase()
    {
        qInfo("hostile files: %d cases tried, %d clear messages, %d starts on the defaults, "
              "no crash and no hang",
              m_tried, m_messages, m_defaults);
    }

    // Read: the defaults, no message. Close: the file is not ours to replace, and the user hears so.
    void settingsThatAreNotSettings_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("binary") << QStringLiteral("binary");
        QTest::newRow("huge") << QStringLiteral("huge");
        QTest::newRow("pipe") << QStringLiteral("pipe");
        QTest::newRow("folder") << QStringLiteral("folder");
        QTest::newRow("/dev/zero") << QStringLiteral("/dev/zero");
    }
    void settingsThatAreNotSettings()
    {
        QFETCH(QString, kind);
        Fixture fx;
        QByteArray content;
        if (kind == QLatin1String("binary")) {
            content = "[Bar]\r\nTrack=0\r\n" + binary();
            QVERIFY(writeFile(fx.ini(), content));
        } else if (kind == QLatin1String("huge")) {
            content = "[Bar]\r\nTrack=0\r\n" + QByteArray(IniFile::MaxSize + 100, ';');
            QVERIFY(writeFile(fx.ini(), content));
        } else {
            makeHostile(kind, fx.dir.path(), QStringLiteral("Vidmarro.INI"));
        }
        {
            TForm1 form(fx.state, fx.services, fx.dir.path());
            QVERIFY(fx.prompts.boxTexts().isEmpty());
            QVERIFY(fx.state.ShowTrackBar);
            QVERIFY(fx.state.ShowStatusBar);
            form.show();
            QVERIFY(form.close());
        }
        QCOMPARE(fx.prompts.boxTexts(), QStringList{QStringLiteral("Unable to write to %1").arg(fx.ini())});
        ++m_tried;
        ++m_defaults;
        ++m_messages;
        if (!content.isEmpty())
            QCOMPARE(readFile(fx.ini()), content);
        if (kind.startsWith(QLatin1String("/dev/")))
            QVERIFY(QFileInfo(fx.ini()).isSymLink() && !QFileInfo(kind).isFile()); // the device stays
        QCOMPARE(FaultOps::entries(fx.dir.path()), QStringList{"Vidmarro.INI"});
    }

    // Doubled sections and keys: a value is read, and what the window writes is what the next
    // start reads, whichever copy the reader takes.
    void settingsWithDuplicates()
    {
        Fixture fx;
        QVERIFY(writeFile(fx.ini(),
                          "[Bar]\r\nTrack=1\r\nTrack=1\r\n[Dates]\r\nDate1=x\r\n[Bar]\r\nStatus=1\r\n"
                          "Track=1\r\n[bar]\r\nstatus=1\r\n"));
        {
            TForm1 form(fx.state, fx.services, fx.dir.path());
            QVERIFY(fx.state.ShowTrackBar && fx.state.ShowStatusBar);
            fx.state.ShowTrackBar = false;
            fx.state.ShowStatusBar = false;
            form.show();
            QVERIFY(form.close());
        }
        QVERIFY(fx.prompts.boxTexts().isEmpty());
        QVERIFY(readFile(fx.ini()).contains("Date1=x"));
        SharedState next;
        Services services{fx.prompts, fx.system, fx.media};
        TForm1 again(next, services, fx.dir.path());
        QVERIFY(!next.ShowTrackBar);
        QVERIFY(!next.ShowStatusBar);
        ++m_tried;
    }

    // A settings file that is a link in a loop: the first start cannot create it, and says so.
    void settingsSymlinkLoop()
    {
        Fixture fx;
        makeHostile(QStringLiteral("symlink loop"), fx.dir.path(), QStringLiteral("Vidmarro.INI"));
        {
            TForm1 form(fx.state, fx.services, fx.dir.path());
            QCOMPARE(fx.prompts.boxTexts(),
                     QStringList{QStringLiteral("Unable to write to %1").arg(fx.ini())});
        }
        QVERIFY(QFileInfo(fx.ini()).isSymLink());
        ++m_tried;
        ++m_messages;
    }

    // "&Load Playlist" on each: a stop box, no player, the main window back.
    void loadingWhatIsNotAPlaylist_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("text");
        QTest::newRow("folder") << "folder"
                                << "File access denied";
        QTest::newRow("pipe") << "pipe"
                              << "File access denied";
        QTest::newRow("symlink loop") << "symlink loop"
                                      << "I/O error 40";
        QTest::newRow("/dev/zero") << "/dev/zero"
                                   << "File access denied";
        QTest::newRow("/dev/null") << "/dev/null"
                                   << "File access denied";
    }
    void loadingWhatIsNotAPlaylist()
    {
        QFETCH(QString, kind);
        QFETCH(QString, text);
        Fixture fx;
        TForm1 form(fx.state, fx.services, fx.dir.path());
        form.show();
        const QString path = makeHostile(kind, fx.dir.path(), QStringLiteral("list.asx"));
        fx.prompts.answerFiles({path});
        form.LoadButtonClick();
        QCOMPARE(fx.prompts.boxTexts(), QStringList{text});
        QCOMPARE(fx.prompts.boxes().first().caption, QStringLiteral("Vidmarro"));
        QVERIFY(fx.state.AllBox.isEmpty());
        QVERIFY(form.isVisible());
        QVERIFY(QFileInfo(path).isSymLink() || QFileInfo::exists(path));
        ++m_tried;
        ++m_messages;
    }

    // The editor: opening reports and closes where something is there; saving over it is refused.
    void editingWhatIsNotAPlaylist_data()
    {
        QTest::addColumn<QString>("kind");
        for (const QString& k : HostileKinds)
            QTest::newRow(qPrintable(k)) << k;
    }
    void editingWhatIsNotAPlaylist()
    {
        QFETCH(QString, kind);
        Fixture fx;
        fx.state.AppDir = fx.dir.path() + u'/';
        const QString path = makeHostile(kind, fx.dir.path(), QStringLiteral("list.asx"));
        FileDialogSettings clipDialog;
        fx.prompts.answerFiles({path});
        TMangle editor(fx.state, fx.services, clipDialog);
        editor.show();
        QTRY_VERIFY(!fx.prompts.boxTexts().isEmpty());
        if (editor.isVisible()) {
            // Only where nothing seems to be there (the loop) does it stay open, with no clips;
            // OK must not replace the link.
            QCOMPARE(kind, QStringLiteral("symlink loop"));
            editor.ButtonOKClick();
            QCOMPARE(fx.prompts.boxTexts().size(), 2);
            QVERIFY(editor.isVisible());
        }
        QVERIFY(QFileInfo(path).isSymLink() || QFileInfo::exists(path));
        if (kind == QLatin1String("folder"))
            QVERIFY(QFileInfo(path).isDir());
        if (kind == QLatin1String("pipe"))
            QVERIFY(!QFileInfo(path).isFile());
        ++m_tried;
        ++m_messages;
    }

    // The writer over each: refused with the platform's text, and the thing is still what it was.
    void writingOverWhatIsNotAPlaylist_data() { editingWhatIsNotAPlaylist_data(); }
    void writingOverWhatIsNotAPlaylist()
    {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        const QString path = makeHostile(kind, dir.path(), QStringLiteral("list.asx"));
        QString error;
        try {
            CCFuncs::WritePlaylist({QStringLiteral("/m/a.mp3")}, path);
        } catch (const AppError& e) {
            error = e.text();
        }
        QCOMPARE(error, kind == QLatin1String("symlink loop") ? QStringLiteral("I/O error 40")
                                                              : QStringLiteral("File access denied"));
        if (kind.startsWith(QLatin1String("/dev/")))
            QCOMPARE(QFileInfo(path).symLinkTarget(), kind);
        QCOMPARE(FaultOps::entries(dir.path()), QStringList{"list.asx"});
        ++m_tried;
        ++m_messages;
    }

    // Another user's links, or our own in a folder others can write: the program keeps its files
    // elsewhere, and the writer neither follows them nor touches what they lead to. Our own link
    // between our own folders is followed.
    void linksOthersCouldHavePlanted()
    {
        if (::geteuid() != 0 || QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
            QSKIP("needs root and setpriv to play two users");
        QTemporaryDir top;
        const auto at = [&](const char* name) { return top.filePath(QString::fromLatin1(name)); };
        QVERIFY(::chmod(QFile::encodeName(top.path()).constData(), 0755) == 0 && QDir().mkpath(at("mine")) &&
                QDir().mkpath(at("shared")) && QDir().mkpath(at("theirs")) && QDir().mkpath(at("dotfiles")));
        QCOMPARE(::chmod(QFile::encodeName(at("shared")).constData(), 01777), 0);
        const QStringList files = {at("mine/clips.asx"), at("mine/notes.txt"), at("theirs/list.asx")};
        for (const QString& f : files)
            QVERIFY(writeFile(f, "kept"));
        for (const char* theirs : {"theirs", "theirs/list.asx"})
            QCOMPARE(::chown(QFile::encodeName(at(theirs)).constData(), 65534, 65534), 0);
        QVERIFY(linkAsNobody(files[0], at("shared/playlist.tmp")));
        QVERIFY(linkAsNobody(at("mine/made"), at("shared/Vidmarro.INI")));
        QVERIFY(QFile::link(files[1], at("shared/ours.INI")) &&
                QFile::link(files[2], at("mine/to-theirs.asx")));
        {
            Fixture fx;
            qputenv("XDG_CONFIG_HOME", QFile::encodeName(fx.dir.path()));
            qputenv("XDG_STATE_HOME", QFile::encodeName(fx.dir.path()));
            TForm1 form(fx.state, fx.services, at("shared"));
            qunsetenv("XDG_CONFIG_HOME");
            qunsetenv("XDG_STATE_HOME");
            QVERIFY(!fx.state.IniPath.startsWith(at("shared")) &&
                    !fx.state.WorkPlaylist.startsWith(at("shared")));
        }
        for (const char* link :
             {"shared/playlist.tmp", "shared/Vidmarro.INI", "shared/ours.INI", "mine/to-theirs.asx"}) {
            const FileResult r = SafeFile::replace(at(link), "written");
            QCOMPARE(r.error(), EPERM);
            QVERIFY2(r.text().contains(at(link)), qPrintable(r.text()));
        }
        for (const QString& f : files)
            QCOMPARE(readFile(f), QByteArray("kept"));
        QVERIFY(!QFileInfo::exists(at("mine/made")));

        QVERIFY(QFile::link(at("dotfiles/Vidmarro.INI"), at("mine/Vidmarro.INI")));
        QVERIFY(SafeFile::replace(at("mine/Vidmarro.INI"), "dotfile").ok());
        QCOMPARE(readFile(at("dotfiles/Vidmarro.INI")), QByteArray("dotfile"));
    }

    // The one replacing step under every save: through a link to the file (the link stays), never
    // over a pipe or a device a link leads to, the mode kept, a killed save's leftover cleared.
    void replacingThroughLinks()
    {
        QTemporaryDir dir;
        const QString real = dir.filePath(QStringLiteral("real.asx"));
        const QString link = dir.filePath(QStringLiteral("link.asx"));
        QVERIFY(writeFile(real, "old"));
        QCOMPARE(::chmod(QFile::encodeName(real).constData(), 0640), 0);
        QVERIFY(QFile::link(real, link));
        QVERIFY(SafeFile::replace(link, "new").ok());
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(readFile(real), QByteArray("new"));
        struct stat st = {};
        QCOMPARE(::stat(QFile::encodeName(real).constData(), &st), 0);
        QCOMPARE(st.st_mode & 07777, mode_t(0640));

        const QString pipe = makeHostile(QStringLiteral("pipe"), dir.path(), QStringLiteral("pipe"));
        const QString toPipe = dir.filePath(QStringLiteral("to-pipe.asx"));
        QVERIFY(QFile::link(pipe, toPipe));
        QCOMPARE(SafeFile::replace(toPipe, "x").error(), EACCES);
        QVERIFY(QFileInfo(pipe).exists() && !QFileInfo(pipe).isFile());
        const QString toNull =
            makeHostile(QStringLiteral("/dev/null"), dir.path(), QStringLiteral("null.asx"));
        QCOMPARE(SafeFile::replace(toNull, "x").error(), EACCES);
        QCOMPARE(SafeFile::replace(dir.path(), "x").error(), EISDIR);

        // A save killed between naming the new file and putting it in place left it behind.
        const QString stale = dir.filePath(SafeFile::tempName(QStringLiteral("real.asx")));
        QVERIFY(writeFile(stale, "half"));
        QVERIFY(SafeFile::replace(real, "newer").ok());
        QVERIFY(!QFile::exists(stale));
        QCOMPARE(FaultOps::entries(dir.path()),
                 (QStringList{"link.asx", "null.asx", "pipe", "real.asx", "to-pipe.asx"}));

        // Any name a folder takes can be saved, the longest too.
        const QString longest = dir.filePath(QString(255, u'n'));
        QVERIFY(SafeFile::replace(longest, "long").ok());
        QCOMPARE(readFile(longest), QByteArray("long"));
        QVERIFY(QFile::encodeName(SafeFile::tempName(QString(255, u'n'))).size() <= 255);
    }
};

QTEST_MAIN(TestHostile)

#include "tst_hostile.moc"
