// The main window's start-up, settings file, links and shutdown request.
#include "app/CommandLine.h"
#include "app/wmt.h"
#include "common/AppError.h"
#include "common/FileLocations.h"
#include "common/IniFile.h"
#include "common/JustOne.h"
#include "common/Paths.h"
#include "common/SharedState.h"
#include "platform/desktop/DesktopServices.h"
#include "platform/media/MpvBackend.h"
#include "platform/ui/QtPrompts.h"
#include "platform/ui/WindowPlacement.h"
#include "playlist/CCFuncs.h"
#include "support/RecordingServices.h"
#include "support/ScriptedPrompts.h"
#include "support/WindowFixture.h"
#include "ui_wmt.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QScopeGuard>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QUrl>

#include <csignal>
#include <fcntl.h>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The file's lines without the blank ones, which the writer may add between sections.
QByteArray content(const QString& path)
{
    QByteArray out;
    for (const QByteArray& line : readAll(path).split('\n')) {
        if (line != "\r" && !line.isEmpty())
            out += line + '\n';
    }
    return out;
}

void writeFile(const QString& path, const QByteArray& data)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(data);
}

using Fixture = WindowFixture;

// Runs `act` on the next file dialog that comes up; `act` must end the dialog.
void onNextFileDialog(std::function<void(QFileDialog&)> act)
{
    auto* poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act] {
        if (auto* dlg = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            act(*dlg);
        }
    });
    poll->start();
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT
    QTemporaryDir m_runtime; // the single-instance guard's lock and socket

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("XDG_RUNTIME_DIR", m_runtime.path().toLocal8Bit());
        // Whatever the program would keep in the user's folders stays in this run's own.
        for (const char* var : {"XDG_CONFIG_HOME", "XDG_STATE_HOME", "XDG_DATA_HOME"})
            qputenv(var, m_runtime.filePath(QString::fromLatin1(var)).toLocal8Bit());
    }

    void firstStartWritesDefaults()
    {
        Fixture fx;
        TForm1 form(fx.state, fx.services, fx.dir.path());
        QCOMPARE(fx.state.AppDir, fx.dir.path() + u'/');
        QCOMPARE(fx.state.IniPath, fx.ini());
        QVERIFY(fx.state.ShowTrackBar);
        QVERIFY(fx.state.ShowStatusBar);
        QVERIFY(!fx.state.ShutdownPending);

        const QByteArray text = content(fx.ini());
        const QByteArray date =
            QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat).toLocal8Bit();
        QVERIFY2(text.startsWith("[Dates]\r\nDate1=" + date + "\r\n"), text.constData());
        QVERIFY(text.indexOf("[Bar]") > text.indexOf("[Dates]"));
        QVERIFY(text.contains("[Bar]\r\nTrack=1\r\nStatus=1\r\n"));
        const QByteArray raw = readAll(fx.ini());
        QCOMPARE(raw.count('\n'), raw.count("\r\n")); // every line ends in CR LF
    }

    // Installed where the user may not write, the first start makes the user's folders: settings
    // under XDG_CONFIG_HOME, the working playlist under XDG_STATE_HOME (relative values ignored),
    // saved playlists in the music folder (not the home itself) or the data folder. One folder
    // that cannot be made keeps none of the others from being made.
    void installedProgramMakesTheUsersFolders()
    {
        QTemporaryDir home;
        const QString h = home.path();
        const QByteArray oldHome = qgetenv("HOME");
        const QByteArray oldVars[] = {qgetenv("XDG_CONFIG_HOME"), qgetenv("XDG_STATE_HOME"),
                                      qgetenv("XDG_DATA_HOME")};
        auto restore = qScopeGuard([&] {
            qputenv("HOME", oldHome);
            qputenv("XDG_CONFIG_HOME", oldVars[0]);
            qputenv("XDG_STATE_HOME", oldVars[1]);
            qputenv("XDG_DATA_HOME", oldVars[2]);
        });
        qputenv("HOME", QFile::encodeName(h));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(h + QStringLiteral("/cfg")));
        qputenv("XDG_STATE_HOME", QFile::encodeName(h + QStringLiteral("/st")));
        qputenv("XDG_DATA_HOME", QFile::encodeName(h + QStringLiteral("/data")));
        const QString appDir = h + QStringLiteral("/usr/bin/");

        FileLocations at = FileLocations::choose(appDir, false);
        QVERIFY(!at.portable);
        QCOMPARE(at.settings, h + QStringLiteral("/cfg/vidmarro/Vidmarro.INI"));
        QCOMPARE(at.workingPlaylist, h + QStringLiteral("/st/vidmarro/playlist.tmp"));
        QCOMPARE(at.playlistDir, h + QStringLiteral("/data/vidmarro/playlists/"));
        QVERIFY(at.makeFolders());
        for (const char* dir : {"/cfg/vidmarro", "/st/vidmarro", "/data/vidmarro/playlists"})
            QVERIFY2(QFileInfo(h + QLatin1String(dir)).isDir(), dir);

        // The music folder, once there, holds them; the home named as the music folder does not.
        QVERIFY(QDir(h).mkpath(QStringLiteral("Music")));
        QCOMPARE(FileLocations::choose(appDir, false).playlistDir, h + QStringLiteral("/Music/Playlists/"));
        writeFile(h + QStringLiteral("/cfg/user-dirs.dirs"), "XDG_MUSIC_DIR=\"$HOME\"\n");
        QCOMPARE(FileLocations::choose(appDir, false).playlistDir,
                 h + QStringLiteral("/data/vidmarro/playlists/"));
        QFile::remove(h + QStringLiteral("/cfg/user-dirs.dirs"));

        qputenv("XDG_STATE_HOME", "relative/state");
        writeFile(h + QStringLiteral("/blocker"), "a file, not a folder");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(h + QStringLiteral("/blocker/cfg")));
        at = FileLocations::choose(appDir, false);
        QCOMPARE(at.workingPlaylist, h + QStringLiteral("/.local/state/vidmarro/playlist.tmp"));
        QCOMPARE(at.playlistDir, h + QStringLiteral("/Music/Playlists/"));
        QVERIFY(!at.makeFolders());
        QVERIFY(QFileInfo(h + QStringLiteral("/.local/state/vidmarro")).isDir());
        QVERIFY(QFileInfo(h + QStringLiteral("/Music/Playlists")).isDir());

        // A portable program keeps everything beside itself and makes no folder.
        at = FileLocations::choose(appDir, true);
        QVERIFY(at.portable);
        QCOMPARE(at.settings, appDir + QStringLiteral("Vidmarro.INI"));
        QCOMPARE(at.workingPlaylist, appDir + QStringLiteral("playlist.tmp"));
        QCOMPARE(at.playlistDir, appDir);
        QVERIFY(at.makeFolders());
        QVERIFY(!QFileInfo::exists(appDir));
        // A folder that is not there yet counts as the program's own; so does one it may write.
        QVERIFY(FileLocations::keepsFilesIn(appDir));
        QVERIFY(FileLocations::keepsFilesIn(h));
    }

    // The generator is seeded from the UTC time of day in milliseconds, also when the settings
    // could not be written (Shuffle would otherwise repeat one order every run).
    void randomSeedIsTheTimeOfDay()
    {
        for (const QString& sub : {QString(), QStringLiteral("no/such/folder")}) {
            Fixture fx;
            const int before = QDateTime::currentDateTimeUtc().time().msecsSinceStartOfDay();
            TForm1 form(fx.state, fx.services, sub.isEmpty() ? fx.dir.path() : fx.dir.filePath(sub));
            const int after = QDateTime::currentDateTimeUtc().time().msecsSinceStartOfDay();
            QCOMPARE(fx.prompts.boxTexts().size(), sub.isEmpty() ? 0 : 1);
            const auto drawn = fx.state.Random();
            bool found = false;
            for (int ms = before; ms <= after && !found; ++ms)
                found = std::mt19937(std::uint32_t(ms))() == drawn;
            QVERIFY2(found || after < before, "not seeded from the time of day"); // after < before: midnight
        }
    }

    void existingFileIsReadAndOnlyCloseWritesTheBar()
    {
        Fixture fx;
        const QByteArray original = "; mine\r\n[Dates]\r\nDate1=1/2/2003\r\n";
        writeFile(fx.ini(), original);
        {
            TForm1 form(fx.state, fx.services, fx.dir.path());
            QVERIFY(fx.state.ShowTrackBar);
            QVERIFY(fx.state.ShowStatusBar);
            QCOMPARE(readAll(fx.ini()), original);
            fx.state.ShowTrackBar = false; // as if the player's Track Bar box was cleared
            form.show();
            QVERIFY(form.close());
        }
        QCOMPARE(content(fx.ini()), original + "[Bar]\r\nTrack=0\r\nStatus=1\r\n");

        SharedState next;
        Services services{fx.prompts, fx.system, fx.media};
        TForm1 again(next, services, fx.dir.path());
        QVERIFY(!next.ShowTrackBar);
        QVERIFY(next.ShowStatusBar);
    }

    // Closing the window ends the program, also when another window shows at that moment (a
    // tooltip falling due), which calls off the toolkit's own quit on the last close.
    void closingTheWindowEndsTheProgram()
    {
        Fixture fx;
        TForm1 form(fx.state, fx.services, fx.dir.path());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTimer::singleShot(0, &form, [&form] {
            QMetaObject::invokeMethod(
                qApp, [at = form.geometry().center()] { QToolTip::showText(at, QStringLiteral("tip")); },
                Qt::QueuedConnection);
            form.close();
        });
        QTimer hung; // the run goes on if the program would not end
        connect(&hung, &QTimer::timeout, qApp, [] { QCoreApplication::exit(1); });
        hung.start(10000);
        QCOMPARE(QApplication::exec(), 0);
        QToolTip::hideText();
    }

    void date1IsNeverRewritten()
    {
        Fixture fx;
        writeFile(fx.ini(), "[Bar]\r\nTrack=1\r\n");
        TForm1 form(fx.state, fx.services, fx.dir.path());
        QVERIFY(!readAll(fx.ini()).contains("Date1"));
    }

    // A write changes its key's value, or adds its line to its section or the section to the end;
    // every other byte of a hand-edited file stays: comments, blanks, letter case, line ends.
    void settingsWritesTouchOnlyTheirKey()
    {
        Fixture fx;
        writeFile(fx.ini(), "; my settings\r\n[ dates ]  ; note\r\nDate1 = 1/2/2003\r\n\r\n# off for now\n"
                            "[Bar]\n  TRACK  =\t1  ; shown #1\n;Status=0\n[Other]\r\nTrack=1");
        IniFile ini(fx.ini());
        ini.writeBool(QStringLiteral("Bar"), QStringLiteral("Track"), false);
        ini.writeBool(QStringLiteral("Bar"), QStringLiteral("Status"), false);
        ini.writeString(QStringLiteral("Dates"), QStringLiteral("SD"), QStringLiteral("5/6/2024 10:11:12"));
        // The last line has no line end: a key added after it must not run on into it.
        ini.writeString(QStringLiteral("Other"), QStringLiteral("Key"), QStringLiteral("v"));
        ini.writeString(QStringLiteral("Recent"), QStringLiteral("Last"), QStringLiteral("x"));
        QCOMPARE(readAll(fx.ini()),
                 QByteArray(
                     "; my settings\r\n[ dates ]  ; note\r\nDate1 = 1/2/2003\r\nSD=5/6/2024 10:11:12\r\n"
                     "\r\n# off for now\n[Bar]\n  TRACK  =\t0  ; shown #1\nStatus=0\r\n;Status=0\n[Other]\r\n"
                     "Track=1\r\nKey=v\r\n[Recent]\r\nLast=x\r\n"));
        TForm1 form(fx.state, fx.services, fx.dir.path());
        QVERIFY(!fx.state.ShowTrackBar && !fx.state.ShowStatusBar); // what was written is what is read
    }

    void booleansAreReadAsIntegers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("expected");
        QTest::newRow("zero") << "0" << false;
        QTest::newRow("one") << "1" << true;
        QTest::newRow("hex 0x10") << "0x10" << true;
        QTest::newRow("hex $0") << "$0" << false;
        QTest::newRow("blanks and sign") << "  -0" << false;
        QTest::newRow("negative") << "-3" << true;
        QTest::newRow("word gives default") << "off" << true;
        QTest::newRow("trailing junk gives default") << "0z" << true;
        QTest::newRow("comment after the value") << "0 ; keep the bar hidden" << false;
        QTest::newRow("empty gives default") << "" << true;
        QTest::newRow("bare 0x gives default") << "0x" << true;
        QTest::newRow("zero then a wide character") << QStringLiteral("0x0\u4e00") << true;
        QTest::newRow("non-ASCII digits give default") << QStringLiteral("\u0660") << true;
    }
    void booleansAreReadAsIntegers()
    {
        QFETCH(QString, text);
        QFETCH(bool, expected);
        if (!text.contains(u';')) // a comment is the file's, not the number's
            QCOMPARE(IniFile::parseBool(text, true), expected);
        Fixture fx;
        writeFile(fx.ini(), "[Bar]\r\nTrack=" + text.toUtf8() + "\r\nStatus=1\r\n");
        TForm1 form(fx.state, fx.services, fx.dir.path());
        QCOMPARE(fx.state.ShowTrackBar, expected);
    }

    void badSettingsFilesGiveDefaults_data()
    {
        QTest::addColumn<QByteArray>("content");
        QByteArray binary(4096, '\0');
        for (int i = 0; i < binary.size(); ++i)
            binary[i] = char(i * 7);
        QTest::newRow("binary") << binary;
        QTest::newRow("huge") << QByteArray("[Bar]\r\nTrack=0\r\n") + QByteArray(IniFile::MaxSize + 10, 'x');
        QTest::newRow("no newline at all") << QByteArray(100000, '[');
    }
    void badSettingsFilesGiveDefaults()
    {
        QFETCH(QByteArray, content);
        Fixture fx;
        writeFile(fx.ini(), content);
        TForm1 form(fx.state, fx.services, fx.dir.path());
        QVERIFY(fx.state.ShowTrackBar);
        QVERIFY(fx.state.ShowStatusBar);
        QVERIFY(fx.prompts.asked.isEmpty());
    }

    void unwritableSettingsAreReportedAndSkipTheRest()
    {
        Fixture fx;
        const QString missing = fx.dir.filePath(QStringLiteral("no/such/folder"));
        TForm1 form(fx.state, fx.services, missing);
        const QString ini = missing + QStringLiteral("/Vidmarro.INI");
        QCOMPARE(fx.prompts.boxTexts(), QStringList{QStringLiteral("Unable to write to %1").arg(ini)});
        QCOMPARE(fx.prompts.boxes().first().caption, QStringLiteral("Vidmarro"));
        QCOMPARE(fx.prompts.boxes().first().icon, QMessageBox::Critical);
        QVERIFY(!fx.state.ShowTrackBar);
        QVERIFY(!fx.state.ShowStatusBar);
        QCoreApplication::processEvents();
        QCOMPARE(fx.media.engineChecks, 0);

        // Closing reports the failure again but still closes.
        form.show();
        QVERIFY(form.close());
        QCOMPARE(fx.prompts.boxTexts().size(), 2);
    }

    void settingsWriteIsAtomicWhenTheFileSizeLimitHits()
    {
        Fixture fx;
        const QByteArray original = "[Dates]\r\nDate1=x\r\n[Bar]\r\nTrack=1\r\nStatus=1\r\n";
        writeFile(fx.ini(), original);
        IniFile ini(fx.ini());
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit small = old;
        small.rlim_cur = 64;
        setrlimit(RLIMIT_FSIZE, &small);
        bool threw = false;
        try {
            ini.writeString(QStringLiteral("Dates"), QStringLiteral("SD"), QString(200, u'9'));
        } catch (const AppError& e) {
            threw = true;
            QCOMPARE(e.text(), QStringLiteral("Unable to write to %1").arg(fx.ini()));
        }
        setrlimit(RLIMIT_FSIZE, &old);
        QVERIFY(threw);
        QCOMPARE(readAll(fx.ini()), original);
        QCOMPARE(QDir(fx.dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Vidmarro.INI"});
    }

    void missingMediaEngineIsReportedOnceAfterShowing()
    {
        Fixture fx;
        fx.media.engineAvailable = false;
        TForm1 form(fx.state, fx.services, fx.dir.path());
        form.show();
        QTRY_COMPARE(fx.media.engineChecks, 1);
        QCOMPARE(
            fx.prompts.boxTexts(),
            QStringList{QStringLiteral("ERROR:\rIt seems the Windows Media Player is not installed\r"
                                       "Please download + install latest version available free from\r ") +
                        TForm1::MediaPlayerDownload});
        QCOMPARE(fx.prompts.boxes().first().caption, QStringLiteral("Vidmarro"));
        QVERIFY(form.isVisible());
        QVERIFY(form.form()->PickButton->isEnabled());
        QCoreApplication::processEvents();
        QCOMPARE(fx.media.engineChecks, 1);
    }

    // The user closes the window while the real engine check (this program started again) still
    // runs: its answer reaches neither the window nor its boxes.
    void closingDuringTheEngineCheckHearsNoAnswer()
    {
        // The check is held up reading its engine's settings from a pipe nobody writes to.
        QTemporaryDir tmp;
        const QByteArray pipe = QFile::encodeName(tmp.filePath(QStringLiteral("held.conf")));
        QCOMPARE(::mkfifo(pipe.constData(), 0600), 0);
        qputenv("VIDMARRO_MPV_OPTIONS", "include=" + pipe);
        Fixture fx;
        DesktopServices system;
        MpvBackend media;
        Services services{fx.prompts, system, media};
        int held = -1;
        // A writer can open the pipe once the check reads it; held open, the check waits on.
        const auto checkRuns = [&] {
            if (held < 0)
                held = ::open(pipe.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            return held >= 0;
        };
        {
            TForm1 form(fx.state, services, fx.dir.path());
            form.show();
            QTRY_VERIFY(checkRuns());
        }
        ::close(held);
        qunsetenv("VIDMARRO_MPV_OPTIONS");
        QCoreApplication::processEvents();
        QCOMPARE(fx.prompts.boxTexts(), QStringList());
    }

    // Start-up work that waits for the window's first drawing: never before the window has drawn,
    // and never lost when it does not draw at all (a window started hidden or minimised).
    void startupWorkFollowsTheFirstPaint()
    {
        Fixture fx;
        TForm1 shown(fx.state, fx.services, fx.dir.path());
        QWidget hidden;
        struct PaintSpy : QObject
        {
            bool painted = false;
            bool eventFilter(QObject*, QEvent* event) override
            {
                painted = painted || event->type() == QEvent::Paint;
                return false;
            }
        } spy;
        shown.installEventFilter(&spy);
        bool ranAfterPaint = false, ranHidden = false;
        afterFirstPaint(&shown, [&] { ranAfterPaint = spy.painted; });
        afterFirstPaint(&hidden, [&] { ranHidden = true; });
        shown.show();
        QTRY_VERIFY(ranAfterPaint);
        QTRY_VERIFY(ranHidden);
    }

    void formShowsItsTexts()
    {
        Fixture fx;
        TForm1 form(fx.state, fx.services, fx.dir.path());
        Ui::TForm1* ui = form.form();
        QCOMPARE(form.windowTitle(),
                 QStringLiteral("Vidmarro Player, Flexible Playlist Editor & Clip Manager 3.0"));
        QCOMPARE(ui->MemoGuide->toPlainText().split(u'\n'),
                 (QStringList{"  Click Select Clips to pick audio and/or video clip(s)  or click",
                              "  Load Playlist to use a previously saved Playlist. Either way,",
                              "  in a second or so the Player window will appear.  ",
                              "  Edit Playlist is where you can  add, move, delete or sort clips ",
                              "  from an existing Playlist, or erase a Playlist completely."}));
        QCOMPARE(ui->PickButton->text(), QStringLiteral("&Select Clip(s)"));
        QCOMPARE(ui->LoadButton->text(), QStringLiteral("&Load Playlist"));
        QCOMPARE(ui->Button1->text(), QStringLiteral("&Edit Playlist"));
        QCOMPARE(ui->BitBtn6->text(), QStringLiteral("Toys && Games"));
        QCOMPARE(ui->BitBtn6->toolTip(), QStringLiteral("Toys & Games by age"));
        QCOMPARE(ui->Label1->text(),
                 QStringLiteral("Vidmarro is free to use.  However, if you wish to offer"));
        QCOMPARE(form.size(), QSize(514, 410));
        QVERIFY(!(form.windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(form.geometry().center(), form.screen()->geometry().center());
        ui->GroupBox1->ensurePolished();
        QVERIFY(ui->GroupBox1->font().bold()); // the group's caption is drawn in its own font
        if (qEnvironmentVariableIsSet("VIDMARRO_SHOTS"))
            form.grab().save(qEnvironmentVariable("VIDMARRO_SHOTS") + QStringLiteral("/main.png"));
        // The donation link stands right after its sentence, not over it.
        QVERIFY(ui->Label3->x() >=
                ui->Label2->x() + ui->Label2->fontMetrics().horizontalAdvance(ui->Label2->text()));
        // The close glyph comes on the first loop turn.
        QTRY_VERIFY(!ui->ExitButton->icon().isNull());
    }

    // The three dialogs as the real Qt prompts build them from the main window's settings.
    void fileDialogsAsShown()
    {
        struct Seen
        {
            QString title;
            QStringList filters;
            QString selectedFilter;
            QString dir;
            QString suffix;
            QFileDialog::FileMode mode = QFileDialog::AnyFile;
            QFileDialog::AcceptMode accept = QFileDialog::AcceptOpen;
            bool overwritePrompt = true;
            QStringList files;
        };
        // Reads the next file dialog that comes up, then cancels it.
        auto inspectNext = [](Seen& seen) {
            auto* poll = new QTimer;
            poll->setInterval(10);
            connect(poll, &QTimer::timeout, poll, [poll, &seen] {
                auto* dlg = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
                if (!dlg)
                    return;
                poll->stop();
                poll->deleteLater();
                seen = {dlg->windowTitle(),        dlg->nameFilters(),
                        dlg->selectedNameFilter(), dlg->directory().path(),
                        dlg->defaultSuffix(),      dlg->fileMode(),
                        dlg->acceptMode(),         !dlg->testOption(QFileDialog::DontConfirmOverwrite),
                        dlg->selectedFiles()};
                dlg->reject();
            });
            poll->start();
        };

        QTemporaryDir dir;
        QtPrompts qt;
        RecordingServices system;
        RecordingMedia media;
        Services services{qt, system, media};
        SharedState state;
        TForm1 form(state, services, dir.path());
        const QString appDir = QDir(dir.path()).canonicalPath();

        Seen clips;
        inspectNext(clips);
        form.PickButtonClick();
        QCOMPARE(clips.title, QStringLiteral("Select clip(s)"));
        QCOMPARE(
            clips.filters.mid(0, 3),
            (QStringList{"All file types (*.*)",
                         "Audio (music) files (*.asf *.mp2 *.mp3 *.wav *.mid *.wma *.aif *.au *.wax)",
                         "Video (movie) files (*.mpg *.mpeg *.asf *.m1v *.wmv *.avi *.mov *.qt *.wvx *.fli "
                         "*.flc *.mpe)"}));
        QCOMPARE(clips.selectedFilter, clips.filters.first());
        QCOMPARE(clips.mode, QFileDialog::ExistingFiles);
        QVERIFY(clips.suffix.isEmpty());
        QCOMPARE(state.EntryMode, 0); // cancelled: nothing changes

        QDir::setCurrent(QDir::tempPath()); // the playlist dialog must not start in the current folder
        Seen playlist;
        inspectNext(playlist);
        form.LoadButtonClick();
        QCOMPARE(playlist.title, QStringLiteral("Select Playlist"));
        QCOMPARE(playlist.filters.first(), QStringLiteral("Play Lists (*.asx)"));
        QCOMPARE(playlist.suffix, QStringLiteral("asx"));
        QCOMPARE(playlist.mode, QFileDialog::ExistingFile);
        QCOMPARE(QDir(playlist.dir).canonicalPath(), appDir);

        Seen save;
        form.SaveDialog1.initialDir = state.AppDir; // as the save step sets it
        inspectNext(save);
        QVERIFY(qt.fileDialog(form.SaveDialog1, &form).isEmpty());
        QCOMPARE(save.title, QStringLiteral("do NOT include extension in filename"));
        QCOMPARE(save.filters, QStringList{"PlayList (*.asx)"});
        QCOMPARE(save.suffix, QStringLiteral("asx"));
        QCOMPARE(save.accept, QFileDialog::AcceptSave);
        QVERIFY(!save.overwritePrompt);
        QCOMPARE(QDir(save.dir).canonicalPath(), appDir);
        QCOMPARE(save.files.size(), 1);
        QVERIFY2(QFileInfo(save.files.first()).fileName().startsWith(QStringLiteral("Playlist")),
                 qPrintable(save.files.first()));
    }

    // "All file types" lists names without a full stop too. The folder of a pick is where the clip
    // dialog opens in the next run, and the settings file is not where that is kept.
    void clipDialogListsEveryFileAndRemembersItsFolder()
    {
        QTemporaryDir app;
        QTemporaryDir clips;
        writeFile(clips.filePath(QStringLiteral("README")), "x");
        writeFile(clips.filePath(QStringLiteral("a.mp3")), "x");
        QtPrompts qt;
        RecordingServices system;
        RecordingMedia media;
        Services services{qt, system, media};
        int listed = 0;
        {
            SharedState state;
            TForm1 form(state, services, app.path());
            onNextFileDialog([&](QFileDialog& dlg) {
                dlg.setDirectory(clips.path());
                auto* model = dlg.findChild<QFileSystemModel*>();
                const QModelIndex folder = model->index(clips.path());
                if (QTest::qWaitFor([&] { return model->rowCount(folder) == 2; }))
                    listed = model->rowCount(folder);
                if (QWidget* typing = dlg.focusWidget())
                    typing->clearFocus(); // the name box takes a selection only when not typed in
                dlg.selectFile(QStringLiteral("README"));
                static_cast<QDialog&>(dlg).accept();
            });
            QCOMPARE(qt.fileDialog(form.OpenDialog1, &form).size(), 1);
        }
        QCOMPARE(listed, 2);
        SharedState state;
        TForm1 again(state, services, app.path());
        QString opened;
        onNextFileDialog([&](QFileDialog& dlg) {
            opened = dlg.directory().path();
            dlg.reject();
        });
        qt.fileDialog(again.OpenDialog1, &again);
        QCOMPARE(QDir(opened).canonicalPath(), QDir(clips.path()).canonicalPath());
        QVERIFY(!readAll(state.IniPath).contains(QFile::encodeName(clips.path())));
    }

    // The folder a pick records, and the save step's test for an extension.
    void clipDirAndExtensionRules()
    {
        QCOMPARE(Paths::directory(QStringLiteral("/clips/a.mpg")), QStringLiteral("/clips"));
        QCOMPARE(Paths::directory(QStringLiteral("/a.mpg")),
                 QStringLiteral("/")); // a root keeps its separator
        QCOMPARE(Paths::directory(QStringLiteral("a.mpg")), QString());
        QVERIFY(!Paths::hasExtension(QStringLiteral("/my.lists/Party")));
        QVERIFY(Paths::hasExtension(QStringLiteral("/lists/Party.Mix")));
    }

    // A second copy brings this one forward: a minimised window is restored.
    void secondCopyRestoresTheWindow()
    {
        Fixture fx;
        TForm1 form(fx.state, fx.services, fx.dir.path());
        QVERIFY(!form.AnotherCopyRuns());
        form.showMinimized();
        QTRY_VERIFY(form.isMinimized());
        TXJustOne second;
        QVERIFY(!second.check(QCoreApplication::applicationName()));
        QTRY_VERIFY(!form.isMinimized());
        QVERIFY(form.isVisible());
    }

    void eachLinkOpensItsOwnAddress()
    {
        Fixture fx;
        TForm1 form(fx.state, fx.services, fx.dir.path());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        Ui::TForm1* ui = form.form();
        QTest::mouseClick(ui->HomeLabel, Qt::LeftButton);
        QTest::mouseClick(ui->Label3, Qt::LeftButton);
        for (QPushButton* b : {ui->Button2, ui->BitBtn1, ui->BitBtn2, ui->BitBtn3, ui->BitBtn4, ui->BitBtn6})
            QTest::mouseClick(b, Qt::LeftButton);
        QStringList expected;
        for (int l = 0; l < TForm1::LinkCount; ++l)
            expected << TForm1::linkAddress(TForm1::Link(l));
        QCOMPARE(fx.system.urls, expected);
        QCOMPARE(QSet<QString>(expected.begin(), expected.end()).size(), int(TForm1::LinkCount));
        for (int l = TForm1::ShopVhs; l <= TForm1::ShopToys; ++l)
            QVERIFY(expected[l].contains(QStringLiteral("tag=vidmarro-20")));
        QVERIFY(fx.prompts.asked.isEmpty());
    }

    void shutdownRecordsTheTimeThenAsks()
    {
        Fixture fx;
        TForm1 form(fx.state, fx.services, fx.dir.path());
        form.ShutdownComputer();
        QCOMPARE(fx.system.shutdowns, 1);
        const QString sd = IniFile(fx.ini()).readString(QStringLiteral("Dates"), QStringLiteral("SD"));
        QVERIFY(sd.startsWith(QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat)));

        fx.system.refuseShutdownWith = QStringLiteral("Win32 Error.  Code: 5.\nAccess denied");
        QVERIFY_THROWS_EXCEPTION(AppError, form.ShutdownComputer());
        QCOMPARE(fx.system.shutdowns, 2);

        // A settings file that cannot be written stops the routine before the request.
        QVERIFY(QFile::remove(fx.ini()));
        QVERIFY(QDir(fx.dir.path()).mkdir(QStringLiteral("Vidmarro.INI")));
        fx.system.refuseShutdownWith.clear();
        try {
            form.ShutdownComputer();
            QFAIL("no error for an unwritable settings file");
        } catch (const AppError& e) {
            QCOMPARE(e.text(), QStringLiteral("Unable to write to %1").arg(fx.ini()));
        }
        QCOMPARE(fx.system.shutdowns, 2);
    }

    void shutdownStampLeavesOutMidnight()
    {
        const QDate day(2026, 3, 4);
        const QString date = QLocale::system().toString(day, QLocale::ShortFormat);
        QCOMPARE(TForm1::shutdownStamp(QDateTime(day, QTime(0, 0))), date);

        // Otherwise the long time follows after one blank, seconds included, without a time zone.
        const QString stamp = TForm1::shutdownStamp(QDateTime(day, QTime(13, 5, 9)));
        QVERIFY2(stamp.startsWith(date + u' '), qPrintable(stamp));
        const QString time = stamp.mid(date.size() + 1);
        QVERIFY2(time.contains(QStringLiteral("05")) && time.contains(QStringLiteral("09")),
                 qPrintable(stamp));
        QCOMPARE(time, time.trimmed());
        QVERIFY2(!time.contains(QStringLiteral("UTC")) && !time.contains(QStringLiteral("GMT")),
                 qPrintable(stamp));

        // A millisecond past midnight is not midnight.
        QVERIFY(TForm1::shutdownStamp(QDateTime(day, QTime(0, 0, 0, 1))).startsWith(date + u' '));
    }

    // Each refusal of what the command line names says what is really wrong, with the name.
    void commandLineRefusalsSayWhatIsWrong_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("says");
        QTest::newRow("unknown option") << QStringList{"a.avi", "--foo"} << "unknown option --foo";
        QTest::newRow("-- ends the options") << QStringList{"--", "-h"} << "\"-h\": the file does not exist";
        QTest::newRow("name not valid text") << QStringList{QString::fromLocal8Bit("caf\xe9.avi")}
                                             << "its name is not valid text on this system";
        QTest::newRow("web address")
            << QStringList{"http://example.com/a.mp3"}
            << "\"http://example.com/a.mp3\": Vidmarro plays files on this computer, "
               "not web addresses";
        QTest::newRow("device") << QStringList{"/dev/null"} << "\"null\": it is a device, not a file";
        QTest::newRow("pipe") << QStringList{"pipe.mp3"} << "\"pipe.mp3\": it is a pipe, not a file";
        // A folder stands for clips, so not beside a playlist; a dropped folder's address ends in "/".
        QTest::newRow("dropped folder and playlist") << QStringList{"dropped:sub/", "list.m3u"}
                                                     << "Open either clips or one playlist (.asx), not both";
    }
    void commandLineRefusalsSayWhatIsWrong()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, says);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
        QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("pipe.mp3"))).constData(), 0600), 0);
        const QString before = QDir::currentPath();
        QDir::setCurrent(dir.path());
        CommandLine line = CommandLine::read(args);
        QDir::setCurrent(before);
        if (args.first().startsWith(QLatin1String("dropped:")))
            line.files.first() = QUrl::fromLocalFile(dir.filePath(args.first().mid(8))).toLocalFile();
        writeFile(dir.filePath(QStringLiteral("list.m3u")), "#EXTM3U\n");
        const QString text = line.unknownOption.isEmpty()
                                 ? TForm1::refusal(line.files)
                                 : QStringLiteral("unknown option ") + line.unknownOption;
        QVERIFY2(text.contains(says), qPrintable(text));
    }

    // Go! where a file stands in the working playlist's folder's place names that file.
    void workingPlaylistBlockedByAFile()
    {
        QTemporaryDir dir;
        const QString blocker = dir.filePath(QStringLiteral("vidmarro"));
        writeFile(blocker, "");
        QString text;
        try {
            CCFuncs::WritePlaylist({QStringLiteral("/m/a.mp3")}, blocker + QStringLiteral("/playlist.tmp"));
        } catch (const AppError& e) {
            text = e.text();
        }
        QVERIFY2(text.contains(blocker + QStringLiteral(" is a file")), qPrintable(text));
    }

    // Load Playlist opens with the playlist last loaded or saved and offers the last ones' folders;
    // one that is gone drops out, and a damaged list counts as none. The desktop's recently used
    // files get each playlist, and keep what other programs put there.
    void recentPlaylistsLeadTheLoadDialog()
    {
        QTemporaryDir home;
        const QByteArray oldState = qgetenv("XDG_STATE_HOME");
        const QByteArray oldData = qgetenv("XDG_DATA_HOME");
        auto restore = qScopeGuard([&] {
            qputenv("XDG_STATE_HOME", oldState);
            qputenv("XDG_DATA_HOME", oldData);
        });
        qputenv("XDG_STATE_HOME", QFile::encodeName(home.filePath(QStringLiteral("st"))));
        qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))));
        const QString xbel = home.filePath(QStringLiteral("data/recently-used.xbel"));
        QVERIFY(QDir().mkpath(home.filePath(QStringLiteral("data"))));
        // As GTK writes it for another program.
        writeFile(xbel, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                        "<xbel version=\"1.0\" "
                        "xmlns:bookmark=\"http://www.freedesktop.org/standards/desktop-bookmarks\"\n"
                        "      xmlns:mime=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
                        "  <bookmark href=\"file:///other/song.ogg\" added=\"2026-01-01T00:00:00Z\" "
                        "modified=\"2026-01-01T00:00:00Z\"\n"
                        "            visited=\"2026-01-01T00:00:00Z\">\n"
                        "    <info><metadata owner=\"http://freedesktop.org\"><mime:mime-type "
                        "type=\"audio/x-vorbis+ogg\"/>\n"
                        "      <bookmark:applications><bookmark:application name=\"Rhythmbox\" "
                        "exec=\"&apos;rhythmbox %u&apos;\"\n"
                        "        modified=\"2026-01-01T00:00:00Z\" "
                        "count=\"1\"/></bookmark:applications></metadata></info>\n"
                        "  </bookmark>\n"
                        "</xbel>\n");
        Fixture fx;
        TForm1 form(fx.state, fx.services, fx.dir.path());
        const QString a = home.filePath(QStringLiteral("A b/one.asx"));
        const QString b = home.filePath(QStringLiteral("B/two.asx"));
        for (const QString& p : {a, b}) {
            QVERIFY(QDir().mkpath(QFileInfo(p).path()));
            CCFuncs::WritePlaylist({}, p);
        }
        // Each Load: the dialog's start and offered folders, then the answer.
        const auto load = [&](const QStringList& answer) {
            fx.prompts.answerFiles(answer);
            form.LoadButtonClick();
            const FileDialogSettings shown = fx.prompts.asked.last().file;
            return std::make_pair(shown.initialDir, shown.recentFolders);
        };
        const QString dirA = QFileInfo(a).path();
        const QString dirB = QFileInfo(b).path();
        QCOMPARE(load({a}), std::make_pair(fx.state.playlistFolder(), QStringList()));
        QCOMPARE(load({b}), std::make_pair(dirA + u'/', QStringList{dirA}));
        QCOMPARE(load({}), std::make_pair(dirB + u'/', (QStringList{dirB, dirA})));
        QVERIFY(QFile::remove(b));
        QCOMPARE(load({}), std::make_pair(dirA + u'/', QStringList{dirA}));
        writeFile(home.filePath(QStringLiteral("st/vidmarro/recent-playlists")),
                  QByteArray("\xff\xfe junk", 7));
        QCOMPARE(load({}), std::make_pair(fx.state.playlistFolder(), QStringList()));

        const QByteArray recent = readAll(xbel);
        QVERIFY2(recent.contains("href=\"" + QUrl::fromLocalFile(a).toEncoded() + '"'), recent.constData());
        QVERIFY(recent.contains("file:///other/song.ogg"));
        QVERIFY(recent.contains("vidmarro %u"));

        // The real dialog offers them in its history and side panel.
        QtPrompts qt;
        FileDialogSettings settings;
        settings.recentFolders = {dirB, dirA};
        QStringList history;
        QList<QUrl> side;
        onNextFileDialog([&](QFileDialog& dlg) {
            history = dlg.history();
            side = dlg.sidebarUrls();
            dlg.reject();
        });
        qt.fileDialog(settings, &form);
        QCOMPARE(history.mid(0, 2), (QStringList{dirB, dirA}));
        QVERIFY(side.contains(QUrl::fromLocalFile(dirA)) && side.contains(QUrl::fromLocalFile(dirB)));
    }

    // Files opened from outside that give nothing to play say so, naming the file.
    void outsideFilesThatCannotPlaySaySo()
    {
        Fixture fx;
        TForm1 form(fx.state, fx.services, fx.dir.path());
        const QDir dir(fx.dir.path());
        writeFile(dir.filePath(QStringLiteral("empty.asx")), "");
        writeFile(dir.filePath(QStringLiteral("junk.asx")), QByteArray(100000, 'j').replace(1000, 2, "\r\n"));
        const QString locked = dir.filePath(QStringLiteral("locked.avi"));
        writeFile(locked, "RIFF");
        QVERIFY(QFile::setPermissions(locked, {}));
        for (const QString& name : {QStringLiteral("empty.asx"), QStringLiteral("junk.asx")}) {
            fx.prompts.clear();
            form.openFiles({dir.filePath(name)});
            QCOMPARE(fx.prompts.boxTexts(),
                     QStringList{QStringLiteral("\"%1\" lists no clips to play.").arg(name)});
        }
        // Root reads anything: the unprivileged user tries the locked clip.
        QVERIFY(QFile::setPermissions(fx.dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                         QFile::ExeOther));
        const bool root = ::geteuid() == 0;
        QVERIFY(!root || ::seteuid(65534) == 0);
        const QString why = TForm1::refusal({locked});
        // Picked in the clip dialog, it is named too, and no player opens for it.
        fx.prompts.clear();
        fx.prompts.answerFiles({locked});
        form.PickButtonClick();
        QVERIFY(!root || ::seteuid(0) == 0);
        const QString said = QStringLiteral("Cannot open \"locked.avi\": you are not allowed to read it.");
        QCOMPARE(why, said);
        QCOMPARE(fx.prompts.boxTexts(), QStringList{said});
        QVERIFY(fx.state.AllBox.isEmpty());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
