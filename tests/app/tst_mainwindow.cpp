// The main window's start-up, settings file, links and shutdown request.
#include "app/wmt.h"
#include "common/AppError.h"
#include "common/IniFile.h"
#include "common/SharedState.h"
#include "support/RecordingServices.h"
#include "support/ScriptedPrompts.h"
#include "ui_wmt.h"

#include <QDate>
#include <QScreen>
#include <QFile>
#include <QLocale>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

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

struct Fixture
{
    QTemporaryDir dir;
    ScriptedPrompts prompts;
    RecordingServices system;
    Services services{prompts, system, nullptr};
    SharedState state;
    QString ini() const { return dir.filePath(QStringLiteral("Vidmarro.INI")); }
};

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
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
        const QByteArray date = QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat).toLocal8Bit();
        QVERIFY2(text.startsWith("[Dates]\r\nDate1=" + date + "\r\n"), text.constData());
        QVERIFY(text.indexOf("[Bar]") > text.indexOf("[Dates]"));
        QVERIFY(text.contains("[Bar]\r\nTrack=1\r\nStatus=1\r\n"));
        const QByteArray raw = readAll(fx.ini());
        QCOMPARE(raw.count('\n'), raw.count("\r\n")); // every line ends in CR LF
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
        Services services{fx.prompts, fx.system, nullptr};
        TForm1 again(next, services, fx.dir.path());
        QVERIFY(!next.ShowTrackBar);
        QVERIFY(next.ShowStatusBar);
    }

    void date1IsNeverRewritten()
    {
        Fixture fx;
        writeFile(fx.ini(), "[Bar]\r\nTrack=1\r\n");
        TForm1 form(fx.state, fx.services, fx.dir.path());
        QVERIFY(!readAll(fx.ini()).contains("Date1"));
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
        QTest::newRow("empty gives default") << "" << true;
        QTest::newRow("bare 0x gives default") << "0x" << true;
        QTest::newRow("zero then a wide character") << QStringLiteral("0x0\u4e00") << true;
        QTest::newRow("non-ASCII digits give default") << QStringLiteral("\u0660") << true;
    }
    void booleansAreReadAsIntegers()
    {
        QFETCH(QString, text);
        QFETCH(bool, expected);
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
        QCOMPARE(fx.system.engineChecks, 0);

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
        fx.system.engineAvailable = false;
        TForm1 form(fx.state, fx.services, fx.dir.path());
        form.show();
        QTRY_COMPARE(fx.system.engineChecks, 1);
        QCOMPARE(fx.prompts.boxTexts(),
                 QStringList{QStringLiteral("ERROR:\rIt seems the Windows Media Player is not installed\r"
                                            "Please download + install latest version available free from\r ") +
                             TForm1::MediaPlayerDownload});
        QCOMPARE(fx.prompts.boxes().first().caption, QStringLiteral("Vidmarro"));
        QVERIFY(form.isVisible());
        QVERIFY(form.form()->PickButton->isEnabled());
        QCoreApplication::processEvents();
        QCOMPARE(fx.system.engineChecks, 1);
    }

    void formShowsItsTexts()
    {
        Fixture fx;
        TForm1 form(fx.state, fx.services, fx.dir.path());
        Ui::TForm1* ui = form.form();
        QCOMPARE(form.windowTitle(), QStringLiteral("Vidmarro Player, Flexible Playlist Editor & Clip Manager 3.0"));
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
        QCOMPARE(ui->Label1->text(), QStringLiteral("Vidmarro is free to use.  However, if you wish to offer"));
        QCOMPARE(form.size(), QSize(514, 410));
        QVERIFY(!(form.windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(form.geometry().center(), form.screen()->geometry().center());
        if (qEnvironmentVariableIsSet("VIDMARRO_SHOTS"))
            form.grab().save(qEnvironmentVariable("VIDMARRO_SHOTS") + QStringLiteral("/main.png"));
        // The donation link stands right after its sentence, not over it.
        QVERIFY(ui->Label3->x() >= ui->Label2->x() + ui->Label2->fontMetrics().horizontalAdvance(ui->Label2->text()));
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
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
