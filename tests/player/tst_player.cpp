// The player window on its own: layout, play order, titles, marks, options and closing.
#include "PlayerKit.h"
#include "platform/media/MediaFixtures.h"
#include "support/RecordingMedia.h"
#include "support/RecordingServices.h"
#include "support/ScriptedPrompts.h"

#include "common/SharedState.h"
#include "platform/Services.h"
#include "platform/media/MediaPlayerControl.h"
#include "platform/media/MpvPlayer.h"
#include "player/FullScreen.h"
#include "player/WplayerU2.h"
#include "playlist/CCFuncs.h"

#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <map>
#include <memory>

class TestPlayer : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    ScriptedPrompts m_prompts;
    RecordingServices m_system;
    RecordingMedia m_media{PlayerKit::engine()};
    Services m_services{m_prompts, m_system, m_media};
    SharedState S;

    QStringList clips(int n)
    {
        QStringList names;
        for (int i = 0; i < n; ++i)
            names.append(QStringLiteral("clip%1.wav").arg(QChar(u'a' + i)));
        return PlayerKit::makeClips(m_dir.filePath(QStringLiteral("clips")), names);
    }

    std::unique_ptr<TWplayerF2> make(const QStringList& all, int mode = EntryPicked,
                                     Services* services = nullptr)
    {
        S.AllBox.clear();
        S.AllBox.setSorted(false);
        for (const QString& c : all)
            S.AllBox.add(c);
        S.EntryMode = mode;
        return std::make_unique<TWplayerF2>(S, services ? *services : m_services, nullptr);
    }

    template <class T> static T* child(QWidget& w, const char* name)
    {
        T* c = w.findChild<T*>(QString::fromLatin1(name));
        if (!c)
            qFatal("no control %s", name);
        return c;
    }

    // Set VIDMARRO_SHOTS to a folder to keep pictures of the windows for a look.
    static void shot(QWidget& w, const QString& name)
    {
        const QString dir = qEnvironmentVariable("VIDMARRO_SHOTS");
        if (!dir.isEmpty())
            w.grab().save(dir + QLatin1Char('/') + name + QStringLiteral(".png"));
    }

    static void go(TWplayerF2& p)
    {
        QLabel* goLabel = child<QLabel>(p, "GoButton");
        QTest::mouseClick(goLabel, Qt::LeftButton, {}, goLabel->rect().center());
    }

    // Plays the window to its end, collecting the titles it showed on the way.
    static void playToEnd(TWplayerF2& p, QStringList* titles = nullptr)
    {
        if (titles)
            connect(&p, &QWidget::windowTitleChanged, &p, [titles](const QString& t) { titles->append(t); });
        p.show();
        go(p);
        QTRY_VERIFY_WITH_TIMEOUT(!p.isVisible(), 20000);
    }

private Q_SLOTS:
    void init()
    {
        m_prompts.clear();
        m_prompts.onBox = nullptr;
        S = SharedState();
        S.AppDir = m_dir.path() + QLatin1Char('/');
        S.PlaylistPath = S.AppDir + QStringLiteral("playlist.tmp");
        S.Random.seed(12345);
    }

    void layoutAsDesigned()
    {
        auto p = make(clips(3));
        p->show();
        QVERIFY(QTest::qWaitForWindowExposed(p.get()));
        shot(*p, QStringLiteral("player-ready"));
        QCOMPARE(p->windowTitle(), QStringLiteral("Vidmarro - Player"));
        QCOMPARE(p->size(), QSize(537, 402));
        // The bottom row sits where the resize rule puts it at the designed height.
        const std::map<QString, QRect> places = {
            {QStringLiteral("WMTPlayer1"), QRect(6, 6, 229, 202)},
            {QStringLiteral("MemoMark"), QRect(13, 211, 218, 122)},
            {QStringLiteral("Label1"), QRect(6, 342, 294, 13)},
            {QStringLiteral("Shape1"), QRect(5, 373, 45, 21)},
            {QStringLiteral("GoButton"), QRect(5, 373, 45, 16)},
            {QStringLiteral("MarkButton"), QRect(5, 373, 45, 20)},
            {QStringLiteral("Play"), QRect(53, 359, 254, 39)},
            {QStringLiteral("Display"), QRect(307, 359, 163, 39)},
            {QStringLiteral("CheckBox1"), QRect(3, 19, 56, 14)},
            {QStringLiteral("CheckBox2"), QRect(69, 19, 56, 14)},
            {QStringLiteral("CheckBox3"), QRect(134, 19, 58, 14)},
            {QStringLiteral("CheckBox4"), QRect(200, 19, 50, 14)},
            {QStringLiteral("CheckBox5"), QRect(3, 19, 78, 14)},
            {QStringLiteral("CheckBox6"), QRect(83, 19, 78, 14)},
            {QStringLiteral("DoneButton"), QRect(474, 373, 60, 20)},
            {QStringLiteral("ListBox2"), QRect(262, 51, 97, 78)},
        };
        for (const auto& [name, rect] : places) {
            QWidget* w = p->findChild<QWidget*>(name);
            QVERIFY2(w, qPrintable(name));
            QCOMPARE(w->geometry(), rect);
        }

        auto* memo = child<QPlainTextEdit>(*p, "MemoMark");
        QCOMPARE(memo->toPlainText().split(u'\n'),
                 QStringList({QStringLiteral("To delete, copy or move a clip"),
                              QStringLiteral("(or add it to a playlist):"),
                              QStringLiteral("While it is playing click the Mark "),
                              QStringLiteral("button which will appear in place of "),
                              QStringLiteral("the Go! button.  When the clips are "),
                              QStringLiteral("finished playing, then the "),
                              QStringLiteral("Clip Manager window will appear.")}));
        QVERIFY(memo->isReadOnly());
        QCOMPARE(child<QLabel>(*p, "Label1")->text(),
                 QStringLiteral("Click Go to play, clip names will be in window title bar"));
        QCOMPARE(child<QLabel>(*p, "GoButton")->text(), QStringLiteral("Go!"));
        QCOMPARE(child<QPushButton>(*p, "MarkButton")->text(), QStringLiteral("&Mark"));
        QCOMPARE(child<QPushButton>(*p, "DoneButton")->text(), QStringLiteral("&Close"));
        QCOMPARE(child<QGroupBox>(*p, "Play")->title(), QStringLiteral(" Playback options "));
        QCOMPARE(child<QGroupBox>(*p, "Display")->title(), QStringLiteral(" Display options "));

        const std::map<QString, std::pair<QString, QString>> boxes = {
            {QStringLiteral("CheckBox1"),
             {QStringLiteral("Shuffle"), QStringLiteral("Play in random order")}},
            {QStringLiteral("CheckBox2"), {QStringLiteral("Repeat"), QStringLiteral("Play continuously")}},
            {QStringLiteral("CheckBox3"), {QStringLiteral("Speed"), QStringLiteral("Play slower or faster")}},
            {QStringLiteral("CheckBox4"),
             {QStringLiteral("Sleep"), QStringLiteral("Shutdown after play or specified minutes")}},
            {QStringLiteral("CheckBox5"), {QStringLiteral("Track Bar"), QString()}},
            {QStringLiteral("CheckBox6"), {QStringLiteral("Status Bar"), QString()}},
        };
        for (const auto& [name, texts] : boxes) {
            auto* box = p->findChild<QCheckBox*>(name);
            QCOMPARE(box->text(), texts.first);
            QCOMPARE(box->toolTip(), texts.second);
            QCOMPARE(box->isChecked(),
                     name == QStringLiteral("CheckBox5") || name == QStringLiteral("CheckBox6"));
        }

        // Initial states: Go shown on its shape, Mark and the shuffled list hidden, control disabled.
        QVERIFY(child<QLabel>(*p, "GoButton")->isVisible());
        QVERIFY(child<QWidget>(*p, "Shape1")->isVisible());
        QVERIFY(!child<QWidget>(*p, "Shape1")->isEnabled());
        QVERIFY(!child<QPushButton>(*p, "MarkButton")->isVisible());
        QVERIFY(!p->ListBox2->isVisible());
        QVERIFY(!p->WMTPlayer1->Enabled());
        QVERIFY(!p->Timer1->isActive());
        QCOMPARE(p->Timer1->interval(), 1000);
        QVERIFY(p->WMTPlayer1->ShowTracker());
        QVERIFY(p->WMTPlayer1->ShowStatusBar());
        QCOMPARE(p->WMTPlayer1->PlayCount(), 1);
        QCOMPARE(p->WMTPlayer1->Rate(), 1.0);

        // Tab order through the named controls.
        const QStringList order = {
            QStringLiteral("WMTPlayer1"), QStringLiteral("MarkButton"), QStringLiteral("MemoMark"),
            QStringLiteral("ListBox2"),   QStringLiteral("CheckBox3"),  QStringLiteral("CheckBox4"),
            QStringLiteral("CheckBox1"),  QStringLiteral("CheckBox2"),  QStringLiteral("CheckBox5"),
            QStringLiteral("CheckBox6"),  QStringLiteral("DoneButton")};
        QStringList chain;
        QWidget* w = p->WMTPlayer1;
        do {
            if (order.contains(w->objectName()) && !chain.contains(w->objectName()))
                chain.append(w->objectName());
            w = w->nextInFocusChain();
        } while (w != p->WMTPlayer1);
        QCOMPARE(chain, order);
    }

    void resizeMovesOnlyTheBottomRow()
    {
        auto p = make(clips(1));
        p->show();
        QVERIFY(QTest::qWaitForWindowExposed(p.get()));
        p->resize(700, 600);
        QTRY_COMPARE(p->height(), 600);
        QCOMPARE(child<QWidget>(*p, "Play")->geometry(), QRect(53, 600 - 39 - 4, 254, 39));
        QCOMPARE(child<QWidget>(*p, "Display")->geometry(), QRect(307, 557, 163, 39));
        for (const char* name : {"MarkButton", "GoButton", "Shape1", "DoneButton"})
            QCOMPARE(child<QWidget>(*p, name)->y(), 557 + 14);
        QCOMPARE(child<QWidget>(*p, "DoneButton")->x(), 474);
        QCOMPARE(p->WMTPlayer1->geometry(), QRect(6, 6, 229, 202));
        QCOMPARE(child<QWidget>(*p, "MemoMark")->geometry(), QRect(13, 211, 218, 122));
        QCOMPARE(child<QWidget>(*p, "Label1")->geometry(), QRect(6, 342, 294, 13));
    }

    void shuffleNeedsThreeClips()
    {
        const QStringList all = clips(3);
        QVERIFY(!make(all.mid(0, 1))->findChild<QCheckBox*>(QStringLiteral("CheckBox1"))->isEnabled());
        QVERIFY(!make(all.mid(0, 2))->findChild<QCheckBox*>(QStringLiteral("CheckBox1"))->isEnabled());
        QVERIFY(make(all)->findChild<QCheckBox*>(QStringLiteral("CheckBox1"))->isEnabled());
    }

    // Every order of five clips comes out about equally often (chi-square over all 120 orders,
    // fixed seed), so every clip, the last one included, reaches every place.
    void shuffleIsUniform()
    {
        const QStringList base = {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"),
                                  QStringLiteral("d"), QStringLiteral("e")};
        std::mt19937 rng(2024);
        const int draws = 60000;
        QHash<QString, int> orders;
        int place[5][5] = {};
        for (int i = 0; i < draws; ++i) {
            QStringList l = base;
            TWplayerF2::shuffle(l, rng);
            orders[l.join(QString())]++;
            for (int at = 0; at < 5; ++at)
                place[base.indexOf(l[at])][at]++;
        }
        QCOMPARE(orders.size(), 120);
        const double expected = draws / 120.0;
        double chi2 = 0;
        for (int n : std::as_const(orders))
            chi2 += (n - expected) * (n - expected) / expected;
        QVERIFY2(chi2 < 180.0, qPrintable(QString::number(chi2))); // 119 degrees of freedom, p < 0.0005
        for (auto& row : place) {
            for (int n : row)
                QVERIFY(n > draws / 5 * 0.9 && n < draws / 5 * 1.1);
        }
    }

    void shuffleDrawnOncePerWindow()
    {
        const QStringList all = clips(6);
        auto p = make(all);
        auto* shuffle = child<QCheckBox>(*p, "CheckBox1");
        shuffle->setChecked(true);
        const QStringList first = p->playOrder();
        QCOMPARE(first.size(), 6);
        QCOMPARE(QSet<QString>(first.begin(), first.end()), QSet<QString>(all.begin(), all.end()));
        QVERIFY(p->shuffleOn());
        shuffle->setChecked(false);
        QCOMPARE(p->playOrder(), all);
        shuffle->setChecked(true);
        QCOMPARE(p->playOrder(), first);

        // A new window draws afresh from the one generator: over a few windows some order differs.
        bool differs = false;
        for (int i = 0; i < 5 && !differs; ++i) {
            auto q = make(all);
            child<QCheckBox>(*q, "CheckBox1")->setChecked(true);
            differs = q->playOrder() != first;
        }
        QVERIFY(differs);
    }

    void playsInOrderWithTitles_data()
    {
        QTest::addColumn<bool>("shuffle");
        QTest::addColumn<bool>("uncheckAgain");
        QTest::newRow("list order") << false << false;
        QTest::newRow("shuffled") << true << false;
        QTest::newRow("shuffled, then unchecked") << true << true;
    }

    void playsInOrderWithTitles()
    {
        QFETCH(bool, shuffle);
        QFETCH(bool, uncheckAgain);
        const QStringList all = clips(4);
        auto p = make(all);
        if (shuffle)
            child<QCheckBox>(*p, "CheckBox1")->setChecked(true);
        if (uncheckAgain)
            child<QCheckBox>(*p, "CheckBox1")->setChecked(false);
        const QStringList order = p->playOrder();
        QStringList titles;
        playToEnd(*p, &titles);
        QStringList expected;
        for (int i = 0; i < order.size(); ++i)
            expected.append(QStringLiteral("Vidmarro - (%1/4) ").arg(i + 1) + QFileInfo(order[i]).fileName());
        QCOMPARE(titles, expected);
        // The file the control played holds the play order; the window closed by itself.
        StringList written;
        QCOMPARE(CCFuncs::ReadPlaylist(S.PlaylistPath, written), 0);
        QCOMPARE(written.items(), order);
        QVERIFY(!child<QCheckBox>(*p, "CheckBox1")->isEnabled());
        QVERIFY(child<QLabel>(*p, "Label1")->text().isEmpty());
        QVERIFY(!child<QWidget>(*p, "MemoMark")->isVisible());
        QVERIFY(!p->WMTPlayer1);
    }

    void markKeepsEachClipOnce()
    {
        const QStringList all = clips(3);
        // The same file name in another folder is another clip.
        const QString twin =
            PlayerKit::makeClip(m_dir.filePath(QStringLiteral("other")), QStringLiteral("clipb.wav"));
        auto p = make(all + QStringList{twin});
        auto* mark = child<QPushButton>(*p, "MarkButton");
        auto* repeat = child<QCheckBox>(*p, "CheckBox2");
        repeat->setChecked(true);
        QCOMPARE(p->WMTPlayer1->PlayCount(), 0);
        int starts = 0;
        QList<bool> enabledAfterMark;
        connect(p->WMTPlayer1, &MediaPlayerControl::OnNewStream, p.get(), [&] {
            ++starts;
            const int n = p->WMTPlayer1->GetCurrentEntry();
            QVERIFY(mark->isVisible());
            QVERIFY(mark->isEnabled());
            if (n == 2 || n == 4) { // the second and the last entry, on both passes
                QTest::mouseClick(mark, Qt::LeftButton);
                enabledAfterMark.append(mark->isEnabled());
            }
            if (starts == 2)
                shot(*p, QStringLiteral("player-playing"));
            if (starts == 6) // into the second pass: let it end after this one
                repeat->setChecked(false);
        });
        playToEnd(*p);
        QCOMPARE(S.PathLeft.items(), QStringList({all[1], twin}));
        QCOMPARE(S.LeftBox.items(), QStringList({QStringLiteral("clipb.wav"), QStringLiteral("clipb.wav")}));
        QCOMPARE(enabledAfterMark, QList<bool>({false, false, false, false}));
        QCOMPARE(starts, 8);
    }

    void markIsOfferedWhenTheFirstClipCannotPlay()
    {
        // A picked file that is not media: the run starts at entry 2.
        const QString broken = m_dir.filePath(QStringLiteral("0broken.wav"));
        {
            QFile f(broken);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("not a clip at all");
        }
        const QStringList good = clips(2);
        auto p = make(QStringList{broken} + good);
        auto* mark = child<QPushButton>(*p, "MarkButton");
        QList<int> entries;
        connect(p->WMTPlayer1, &MediaPlayerControl::OnNewStream, p.get(), [&] {
            const int n = p->WMTPlayer1->GetCurrentEntry();
            entries.append(n);
            QVERIFY(mark->isVisible());
            if (n == 2)
                QTest::mouseClick(mark, Qt::LeftButton);
        });
        playToEnd(*p);
        QCOMPARE(entries.first(), 2);
        QCOMPARE(S.PathLeft.items(), QStringList{good[0]});
    }

    void loadedPlaylistOffersNoMark()
    {
        auto p = make(clips(2), EntryLoaded);
        bool markSeen = false;
        connect(p->WMTPlayer1, &MediaPlayerControl::OnNewStream, p.get(),
                [&] { markSeen |= child<QPushButton>(*p, "MarkButton")->isVisible(); });
        QStringList titles;
        playToEnd(*p, &titles);
        QCOMPARE(titles.size(), 2);
        QVERIFY(!markSeen);
        QVERIFY(S.LeftBox.isEmpty());
    }

    void optionsReachTheControl()
    {
        auto p = make(clips(1));
        MediaPlayerControl* c = p->WMTPlayer1;
        child<QCheckBox>(*p, "CheckBox2")->setChecked(true);
        QCOMPARE(c->PlayCount(), 0);
        child<QCheckBox>(*p, "CheckBox2")->setChecked(false);
        QCOMPARE(c->PlayCount(), 1);
        p->CheckBox5->setChecked(false);
        QVERIFY(!c->ShowTracker());
        p->CheckBox6->setChecked(false);
        QVERIFY(!c->ShowStatusBar());
        p->CheckBox6->setChecked(true);
        QVERIFY(c->ShowStatusBar());

        // Without dialogs, checking Speed or Sleep changes nothing; unchecking resets.
        c->SetRate(1.5);
        p->CheckBox3->setChecked(true);
        QCOMPARE(c->Rate(), 1.5);
        p->CheckBox3->setChecked(false);
        QCOMPARE(c->Rate(), 1.0);
        S.ShutdownPending = true;
        p->CheckBox4->setChecked(true);
        p->Timer1->start(60000);
        p->CheckBox4->setChecked(false);
        QVERIFY(!S.ShutdownPending);
        QVERIFY(!p->Timer1->isActive());
    }

    void sleepTimerClosesWithShutdownPending()
    {
        auto p = make(clips(2));
        p->show();
        child<QCheckBox>(*p, "CheckBox2")->setChecked(true); // would play forever
        go(*p);
        QTRY_VERIFY(p->WMTPlayer1 && p->WMTPlayer1->GetCurrentEntry() > 0);
        p->Timer1->start(1);
        QTRY_VERIFY(!p->isVisible());
        QVERIFY(S.ShutdownPending);
        QVERIFY(!p->Timer1->isActive());
    }

    void writeFailureStopsGo()
    {
        auto p = make(clips(3));
        S.PlaylistPath = m_dir.filePath(QStringLiteral("no/such/folder/playlist.tmp"));
        p->show();
        go(*p);
        QCOMPARE(m_prompts.boxes().size(), 1);
        QCOMPARE(m_prompts.boxes().first().icon, QMessageBox::Critical);
        QVERIFY(!child<QLabel>(*p, "GoButton")->isVisible());
        QVERIFY(!child<QCheckBox>(*p, "CheckBox1")->isEnabled());
        QVERIFY(!p->started());
        QVERIFY(!p->WMTPlayer1->Enabled());
        // Go ended right after the write: the instructions are still there.
        QVERIFY(!child<QLabel>(*p, "Label1")->text().isEmpty());
        QVERIFY(child<QWidget>(*p, "MemoMark")->isVisible());
        QVERIFY(p->isVisible());
        // Go is spent: a second click does nothing.
        go(*p);
        QCOMPARE(m_prompts.boxes().size(), 1);
        QTest::mouseClick(child<QPushButton>(*p, "DoneButton"), Qt::LeftButton);
        QVERIFY(!p->isVisible());
    }

    void noSoundCardWarnsAndPlaysOn()
    {
        RecordingMedia quietMedia{PlayerKit::engine(false)};
        Services quiet{m_prompts, m_system, quietMedia};
        auto p = make(clips(2), EntryPicked, &quiet);
        // Go's steps before the warning are done, those after it are not.
        bool checked = false;
        m_prompts.onBox = [&](const MessageBoxRequest&) {
            checked = true;
            QVERIFY(p->WMTPlayer1->Enabled());
            QVERIFY(child<QLabel>(*p, "Label1")->text().isEmpty());
            QVERIFY(QFile::exists(S.PlaylistPath));
            QVERIFY(child<QWidget>(*p, "MemoMark")->isVisible());
            QVERIFY(!p->started());
        };
        QStringList titles;
        playToEnd(*p, &titles);
        m_prompts.onBox = nullptr;
        QVERIFY(checked);
        QCOMPARE(m_prompts.boxTexts(), QStringList({QStringLiteral("Warning - Sound Card Not Enabled")}));
        QCOMPARE(m_prompts.boxes().first().buttons, QMessageBox::Ok);
        QCOMPARE(titles.size(), 2);
    }

    void closingReleasesTheControl()
    {
        auto p = make(clips(2));
        QPointer<MediaPlayerControl> control = p->WMTPlayer1;
        child<QCheckBox>(*p, "CheckBox2")->setChecked(true);
        p->show();
        go(*p);
        QTRY_VERIFY(control->GetCurrentEntry() > 0);
        QVERIFY(control->Enabled());
        // Esc does not close the player; the close button does.
        QTest::keyClick(p.get(), Qt::Key_Escape);
        QVERIFY(p->isVisible());
        QTest::mouseClick(child<QPushButton>(*p, "DoneButton"), Qt::LeftButton);
        QVERIFY(!p->isVisible());
        QVERIFY(!p->WMTPlayer1);
        QTRY_VERIFY(control.isNull());
        QVERIFY(!S.ShutdownPending);
        // Handlers that reach the control after it went do nothing.
        child<QCheckBox>(*p, "CheckBox2")->setChecked(false);
        p->CheckBox5->setChecked(false);
        QVERIFY2(m_prompts.boxes().isEmpty(), qPrintable(m_prompts.boxTexts().join(u'|')));
    }

    // mpv's track keys change what the engine plays, in the window and in full screen (F), and
    // the status line names the choice.
    void trackKeys_data()
    {
        QTest::addColumn<QString>("engine"); // property=value after the keys named by the row
        QTest::addColumn<QString>("status");
        auto row = [](const char* keys, const char* engine, const char* status) {
            QTest::newRow(keys) << QString::fromUtf8(engine) << QString::fromUtf8(status);
        };
        row("#", "aid=2", "Audio: 2/2 German");
        row("##", "aid=1", "Audio: 1/2 English");
        row("j", "sid=2", "Subtitles: 2/2 German");
        row("jj", "sid=no", "Subtitles: off");
        row("jjj", "sid=1", "Subtitles: 1/2 English");
        row("v", "sub-visibility=no", "Subtitles: hidden");
        row("vv", "sub-visibility=yes", "Subtitles: shown");
        row("F#", "aid=2", "Audio: 2/2 German");
        row("Fjj", "sid=no", "Subtitles: off");
    }
    void trackKeys()
    {
        const QString keys = QString::fromUtf8(QTest::currentDataTag());
        QFETCH(QString, engine);
        QFETCH(QString, status);
        const QString clip = m_dir.filePath(QStringLiteral("tracks.mkv"));
        if (!QFile::exists(clip))
            QVERIFY(MediaFixtures::writeTrackClip(clip, {QStringLiteral("eng"), QStringLiteral("ger")}, 30));
        // In real time: untimed, the clip would be over before a key.
        RecordingMedia media(mpvPlayerFactory({QStringLiteral("vo=null"), QStringLiteral("ao=null")}));
        Services services{m_prompts, m_system, media};
        auto p = make({clip}, EntryPicked, &services);
        auto* control = qobject_cast<MpvPlayer*>(p->WMTPlayer1);
        p->show();
        go(*p);
        QTRY_VERIFY_WITH_TIMEOUT(control->GetCurrentEntry() == 1, 20000);
        for (const QChar key : keys)
            QTest::keyClick(control, key.toLatin1());
        QCOMPARE(p->fullScreen()->active(), keys.startsWith(u'F'));
        const QStringList property = engine.split(u'=');
        QCOMPARE(QString::fromUtf8(control->engineText(property[0].toUtf8().constData())), property[1]);
        QCOMPARE(child<QLabel>(*p, "statusLine")->text(), status);
        p->fullScreen()->leave();
        QTest::mouseClick(child<QPushButton>(*p, "DoneButton"), Qt::LeftButton);
    }
};

QTEST_MAIN(TestPlayer)
#include "tst_player.moc"
