// The main window's entry actions run end to end: clip dialog, player, save question, marks,
// loaded playlists, display options and the shutdown after a sleep-timer run.
#include "PlayerKit.h"
#include "support/RecordingMedia.h"
#include "support/RecordingServices.h"
#include "support/ScriptedPrompts.h"

#include "app/wmt.h"
#include "common/IniFile.h"
#include "common/SharedState.h"
#include "platform/media/MediaPlayerControl.h"
#include "player/WplayerU2.h"
#include "playlist/CCFuncs.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

// The main window with the clip manager's place counted instead of opened.
class Form : public TForm1
{
public:
    Form(SharedState& state, Services& services, const QString& appDir)
        : TForm1(state, services, appDir), m_state(state)
    {
    }
    int clipManagers = 0;
    QStringList marksAtManager;

protected:
    void ShowClipManager() override
    {
        ++clipManagers;
        marksAtManager = m_state.LeftBox.items();
    }

private:
    const SharedState& m_state;
};

class WatchingServices : public RecordingServices
{
public:
    std::function<void()> onShutdown;
    void requestShutdown() override
    {
        if (onShutdown)
            onShutdown();
        RecordingServices::requestShutdown();
    }
};

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void clickGo(TWplayerF2& p)
{
    auto* go = p.findChild<QLabel*>(QStringLiteral("GoButton"));
    QTest::mouseClick(go, Qt::LeftButton, {}, go->rect().center());
}

} // namespace

class TestEntries : public QObject
{
    Q_OBJECT

    QTemporaryDir m_app;     // the executable's folder: settings and working playlist
    QTemporaryDir m_clips;   // the user's clips
    QTemporaryDir m_runtime; // the single-instance guard's lock and socket
    ScriptedPrompts m_prompts;
    WatchingServices m_system;
    RecordingMedia m_media{PlayerKit::engine()};
    Services m_services{m_prompts, m_system, m_media};
    SharedState S;
    std::unique_ptr<Form> m_form;

    QString clip(const QString& name) { return PlayerKit::makeClip(m_clips.path(), name); }

    // Plays whatever player comes up: `during` runs once it is shown, then Go is clicked.
    void playNextPlayer(std::function<void(TWplayerF2&)> during = {}, bool clickGoButton = true)
    {
        auto titles = std::make_shared<QStringList>();
        PlayerKit::onPlayerShown(m_form.get(), [this, titles, during, clickGoButton](TWplayerF2& p) {
            QVERIFY(!m_form->isVisible()); // hidden while the player is up
            connect(&p, &QWidget::windowTitleChanged, &p, [titles](const QString& t) { titles->append(t); });
            if (during)
                during(p);
            if (clickGoButton)
                clickGo(p);
        });
        m_lastTitles = titles;
    }
    std::shared_ptr<QStringList> m_lastTitles;

    QList<MessageBoxRequest> boxes(const QString& text) const
    {
        QList<MessageBoxRequest> out;
        for (const MessageBoxRequest& b : m_prompts.boxes()) {
            if (b.text == text)
                out.append(b);
        }
        return out;
    }

private Q_SLOTS:
    void initTestCase() { qputenv("XDG_RUNTIME_DIR", m_runtime.path().toLocal8Bit()); }

    void init()
    {
        m_prompts.clear();
        m_system.shutdowns = 0;
        m_system.refuseShutdownWith.clear();
        m_system.onShutdown = nullptr;
        S = SharedState();
        QFile::remove(m_app.filePath(QStringLiteral("Vidmarro.INI")));
        QFile::remove(m_app.filePath(QStringLiteral("playlist.tmp")));
        m_form = std::make_unique<Form>(S, m_services, m_app.path());
        S.Random.seed(7);
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    }

    void cleanup() { m_form.reset(); }

    void pickTwoPlaysSortedAndSaves_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("saved");
        QTest::newRow("no extension") << QStringLiteral("Party") << QStringLiteral("Party.asx");
        QTest::newRow("own extension") << QStringLiteral("Party.Mix") << QStringLiteral("Party.Mix");
    }

    void pickTwoPlaysSortedAndSaves()
    {
        QFETCH(QString, typed);
        QFETCH(QString, saved);
        const QString b = clip(QStringLiteral("b.wav"));
        const QString a = clip(QStringLiteral("A.wav"));
        const QString target = m_app.filePath(saved);
        QFile old(target); // an existing file is replaced without a question
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old contents that must go\r\n");
        old.close();

        m_prompts.answerFiles({b, a});
        m_prompts.answerBox(QMessageBox::Yes);
        m_prompts.answerFiles({m_app.filePath(typed)});
        playNextPlayer();
        m_form->PickButtonClick();

        QCOMPARE(*m_lastTitles, QStringList({QStringLiteral("Vidmarro - (1/2) A.wav"),
                                             QStringLiteral("Vidmarro - (2/2) b.wav")}));
        QCOMPARE(S.EntryMode, 10);
        QCOMPARE(S.ClipDir, m_clips.path());
        QCOMPARE(S.PlaylistPath, m_app.filePath(QStringLiteral("playlist.tmp")));
        QCOMPARE(S.AllBox.items(), QStringList({a, b}));
        QVERIFY(S.AllBox.sorted());

        // The clip dialog, the question and the save dialog, as the user saw them.
        QCOMPARE(m_prompts.asked.size(), 3);
        const FileDialogSettings& clipsDlg = m_prompts.asked[0].file;
        QCOMPARE(clipsDlg.title, QStringLiteral("Select clip(s)"));
        QCOMPARE(clipsDlg.kind, FileDialogSettings::OpenMany);
        QCOMPARE(clipsDlg.filters.first(), QStringLiteral("All file types (*.*)"));
        const MessageBoxRequest& question = m_prompts.asked[1].box;
        QCOMPARE(question.text, QStringLiteral("Save Playlist?"));
        QCOMPARE(question.caption, QStringLiteral("Confirm"));
        QCOMPARE(question.buttons, QMessageBox::Yes | QMessageBox::No);
        const FileDialogSettings& saveDlg = m_prompts.asked[2].file;
        QCOMPARE(saveDlg.title, QStringLiteral("do NOT include extension in filename"));
        QCOMPARE(saveDlg.initialDir, S.AppDir);
        QCOMPARE(saveDlg.fileName, QStringLiteral("Playlist"));
        QVERIFY(!saveDlg.confirmOverwrite);

        // A byte copy of the working playlist, which holds the clips in the order played.
        const QByteArray working = readAll(S.PlaylistPath);
        QVERIFY(!working.isEmpty());
        QCOMPARE(readAll(target), working);
        StringList played;
        QCOMPARE(CCFuncs::ReadPlaylist(target, played), 0);
        QCOMPARE(played.items(), QStringList({a, b}));
        QCOMPARE(m_form->clipManagers, 0);
        QVERIFY(m_form->isVisible());
    }

    void pickThreeMarkOne()
    {
        const QStringList all = {clip(QStringLiteral("c.wav")), clip(QStringLiteral("a.wav")),
                                 clip(QStringLiteral("b.wav"))};
        S.LeftBox.add(QStringLiteral("stale.wav")); // cleared by the pick
        S.PathLeft.add(QStringLiteral("/stale.wav"));
        m_prompts.answerFiles(all);
        playNextPlayer([](TWplayerF2& p) {
            connect(p.WMTPlayer1, &MediaPlayerControl::OnNewStream, &p, [&p] {
                if (p.WMTPlayer1->GetCurrentEntry() == 2)
                    QTest::mouseClick(p.findChild<QPushButton*>(QStringLiteral("MarkButton")),
                                      Qt::LeftButton);
            });
        });
        m_form->PickButtonClick();
        const QString b = m_clips.filePath(QStringLiteral("b.wav"));
        QCOMPARE(S.LeftBox.items(), QStringList({QStringLiteral("b.wav")}));
        QCOMPARE(S.PathLeft.items(), QStringList({b}));
        QVERIFY(boxes(QStringLiteral("Save Playlist?")).isEmpty());
        QCOMPARE(m_form->clipManagers, 1);
        QCOMPARE(m_form->marksAtManager, QStringList({QStringLiteral("b.wav")}));
        QVERIFY(m_form->isVisible());
    }

    void pickOneAsksNothing()
    {
        m_prompts.answerFiles({clip(QStringLiteral("only.wav"))});
        playNextPlayer();
        m_form->PickButtonClick();
        QCOMPARE(m_lastTitles->size(), 1);
        QCOMPARE(m_prompts.asked.size(), 1);
        QCOMPARE(m_form->clipManagers, 0);
    }

    void cancelledClipDialogChangesNothing()
    {
        S.EntryMode = 20;
        S.ClipDir = QStringLiteral("/kept");
        S.PlaylistPath = QStringLiteral("/kept.asx");
        S.AllBox.add(QStringLiteral("/x.wav"));
        S.LeftBox.add(QStringLiteral("y.wav"));
        S.PathLeft.add(QStringLiteral("/y.wav"));
        m_prompts.answerFiles({});
        m_form->PickButtonClick();
        QCOMPARE(S.EntryMode, 20);
        QCOMPARE(S.ClipDir, QStringLiteral("/kept"));
        QCOMPARE(S.PlaylistPath, QStringLiteral("/kept.asx"));
        QCOMPARE(S.AllBox.items(), QStringList({QStringLiteral("/x.wav")}));
        QCOMPARE(S.LeftBox.count(), 1);
        QCOMPARE(S.PathLeft.count(), 1);
        QVERIFY(m_form->isVisible());
    }

    // Closed before Go: what is saved is this pick, not the working playlist of an earlier run.
    void saveAfterClosingBeforeGo()
    {
        const QString stale = clip(QStringLiteral("stale.wav"));
        CCFuncs::WritePlaylist({stale}, m_app.filePath(QStringLiteral("playlist.tmp")));
        const QStringList pick = {clip(QStringLiteral("x.wav")), clip(QStringLiteral("y.wav"))};
        m_prompts.answerFiles(pick);
        m_prompts.answerBox(QMessageBox::Yes);
        m_prompts.answerFiles({m_app.filePath(QStringLiteral("early"))});
        playNextPlayer([](TWplayerF2& p) { p.close(); }, false);
        m_form->PickButtonClick();
        StringList saved;
        QCOMPARE(CCFuncs::ReadPlaylist(m_app.filePath(QStringLiteral("early.asx")), saved), 0);
        QCOMPARE(saved.items(), pick);
    }

    void loadPlaysExistingClipsInFileOrder()
    {
        const QStringList names = {QStringLiteral("e.wav"), QStringLiteral("a.wav"),
                                   QStringLiteral("gone1.wav"), QStringLiteral("c.wav"),
                                   QStringLiteral("gone2.wav")};
        QStringList paths;
        for (const QString& n : names)
            paths.append(clip(n));
        const QString list = m_clips.filePath(QStringLiteral("five.asx"));
        CCFuncs::WritePlaylist(paths, list);
        QFile::remove(paths[2]);
        QFile::remove(paths[4]);
        const QByteArray before = readAll(list);
        S.LeftBox.add(QStringLiteral("kept.wav"));
        S.PathLeft.add(QStringLiteral("/kept.wav"));

        m_prompts.answerFiles({list});
        playNextPlayer([](TWplayerF2& p) {
            QVERIFY(p.findChild<QCheckBox*>(QStringLiteral("CheckBox1"))->isEnabled()); // three clips left
        });
        m_form->LoadButtonClick();

        QCOMPARE(m_prompts.asked[0].file.title, QStringLiteral("Select Playlist"));
        QCOMPARE(m_prompts.asked[0].file.initialDir, S.AppDir);
        QCOMPARE(m_prompts.boxTexts(),
                 QStringList({QStringLiteral(
                     "Warning: 2 clip(s) could not be found.\rWill play any remaining clips")}));
        QCOMPARE(*m_lastTitles, QStringList({QStringLiteral("Vidmarro - (1/3) e.wav"),
                                             QStringLiteral("Vidmarro - (2/3) a.wav"),
                                             QStringLiteral("Vidmarro - (3/3) c.wav")}));
        QCOMPARE(S.EntryMode, 20);
        QCOMPARE(S.PlaylistPath, m_app.filePath(QStringLiteral("playlist.tmp")));
        QCOMPARE(readAll(list), before); // the loaded file is never written
        QCOMPARE(S.LeftBox.items(), QStringList({QStringLiteral("kept.wav")}));
        QCOMPARE(m_form->clipManagers, 0);
        QVERIFY(m_form->isVisible());
    }

    // Another program's ASX (lower-case tags) that lists a redirector: the entry stays the .wax the
    // user listed, in the order and in the title; only the media control looks inside it.
    void loadForeignAsxKeepsWaxEntries()
    {
        const QString a = clip(QStringLiteral("a.wav"));
        clip(QStringLiteral("inner.wav"));
        const QString wax = m_clips.filePath(QStringLiteral("r_wax.wax"));
        const QString list = m_clips.filePath(QStringLiteral("other.asx"));
        for (const auto& [path, text] :
             {std::pair{wax, "<asx version=\"3.0\"><entry><ref href=\"inner.wav\"/></entry></asx>\n"},
              std::pair{list, "<asx version=\"3.0\">\n<entry><ref href=\"a.wav\"/></entry>\n"
                              "<entry><ref href=\"r_wax.wax\"/></entry>\n</asx>\n"}}) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(text) > 0);
        }
        m_prompts.answerFiles({list});
        playNextPlayer();
        m_form->LoadButtonClick();
        QVERIFY(m_prompts.boxTexts().isEmpty());
        QCOMPARE(S.AllBox.items(), QStringList({a, wax}));
        QCOMPARE(*m_lastTitles, QStringList({QStringLiteral("Vidmarro - (1/2) a.wav"),
                                             QStringLiteral("Vidmarro - (2/2) r_wax.wax")}));
    }

    void loadWithNothingToPlay()
    {
        const QString gone = clip(QStringLiteral("gone.wav"));
        const QString allMissing = m_clips.filePath(QStringLiteral("missing.asx"));
        CCFuncs::WritePlaylist({gone, gone}, allMissing);
        QFile::remove(gone);
        m_prompts.answerFiles({allMissing});
        m_form->LoadButtonClick();
        QCOMPARE(m_prompts.boxTexts(),
                 QStringList({QStringLiteral(
                     "Warning: 2 clip(s) could not be found.\rWill play any remaining clips")}));
        QVERIFY(S.AllBox.isEmpty());

        const QString empty = m_clips.filePath(QStringLiteral("empty.asx"));
        CCFuncs::WritePlaylist({}, empty);
        m_prompts.clear();
        m_prompts.answerFiles({empty});
        m_form->LoadButtonClick();
        QVERIFY(m_prompts.boxes().isEmpty());
        QVERIFY(m_form->isVisible());
    }

    // A playlist that cannot be read stops the load: no player, the chosen path kept.
    void unreadablePlaylistStopsTheLoad()
    {
        const QString gone = m_clips.filePath(QStringLiteral("vanished.asx"));
        m_prompts.answerFiles({gone});
        m_form->LoadButtonClick(); // a player shown here would never be closed
        QCOMPARE(m_prompts.boxTexts(), QStringList{QStringLiteral("File not found")});
        QCOMPARE(m_prompts.boxes().first().caption, QStringLiteral("Vidmarro"));
        QCOMPARE(m_prompts.boxes().first().icon, QMessageBox::Critical);
        QCOMPARE(S.EntryMode, 20);
        QCOMPARE(S.PlaylistPath, gone);
        QVERIFY(m_form->isVisible());
    }

    void displayOptionsTravel()
    {
        // Track Bar off in the settings file at start.
        m_form.reset();
        QFile ini0(m_app.filePath(QStringLiteral("Vidmarro.INI")));
        QVERIFY(ini0.open(QIODevice::WriteOnly));
        ini0.write("[Bar]\r\nTrack=0\r\nStatus=1\r\n");
        ini0.close();
        m_form = std::make_unique<Form>(S, m_services, m_app.path());
        m_form->show();
        QVERIFY(!S.ShowTrackBar);
        QVERIFY(S.ShowStatusBar);
        m_prompts.answerFiles({clip(QStringLiteral("one.wav"))});
        bool trackerShown = true;
        bool boxChecked = true;
        playNextPlayer(
            [&](TWplayerF2& p) {
                boxChecked = p.CheckBox5->isChecked();
                trackerShown = p.WMTPlayer1->ShowTracker();
                QVERIFY(p.CheckBox6->isChecked());
                QVERIFY(p.WMTPlayer1->ShowStatusBar());
                QTest::mouseClick(p.CheckBox5, Qt::LeftButton);
                QTest::mouseClick(p.CheckBox6, Qt::LeftButton);
                QVERIFY(p.WMTPlayer1->ShowTracker());
                QVERIFY(!p.WMTPlayer1->ShowStatusBar());
                p.close();
            },
            false);
        m_form->PickButtonClick();
        QVERIFY(!boxChecked);
        QVERIFY(!trackerShown);
        QVERIFY(S.ShowTrackBar);
        QVERIFY(!S.ShowStatusBar);
        m_form->close(); // writes the flags back
        IniFile ini(m_app.filePath(QStringLiteral("Vidmarro.INI")));
        QCOMPARE(ini.readString(QStringLiteral("Bar"), QStringLiteral("Track")), QStringLiteral("1"));
        QCOMPARE(ini.readString(QStringLiteral("Bar"), QStringLiteral("Status")), QStringLiteral("0"));

        // Muted in the player, the next start's player is muted too.
        for (const bool mute : {true, false}) {
            S = SharedState();
            m_form = std::make_unique<Form>(S, m_services, m_app.path());
            m_form->show();
            m_prompts.answerFiles({clip(QStringLiteral("one.wav"))});
            bool muted = !mute;
            playNextPlayer(
                [&](TWplayerF2& p) {
                    muted = p.WMTPlayer1->muted();
                    if (mute)
                        p.WMTPlayer1->setMuted(true);
                    p.close();
                },
                false);
            m_form->PickButtonClick();
            m_form->close();
            QCOMPARE(muted, !mute); // as the start before left it
        }
    }

    void pendingShutdownAfterTheSleepTimer()
    {
        bool visibleAtShutdown = true;
        m_system.onShutdown = [&] { visibleAtShutdown = m_form->isVisible(); };
        m_prompts.answerFiles({clip(QStringLiteral("p.wav")), clip(QStringLiteral("q.wav"))});
        m_prompts.answerBox(QMessageBox::No);
        playNextPlayer([](TWplayerF2& p) {
            p.findChild<QCheckBox*>(QStringLiteral("CheckBox2"))
                ->setChecked(true); // plays on until the timer
            QTimer::singleShot(0, &p, [&p] { p.Timer1->start(1); });
        });
        m_form->PickButtonClick();
        QCOMPARE(m_system.shutdowns, 1);
        QVERIFY(!visibleAtShutdown);
        QVERIFY(S.ShutdownPending);
        IniFile ini(m_app.filePath(QStringLiteral("Vidmarro.INI")));
        QVERIFY(!ini.readString(QStringLiteral("Dates"), QStringLiteral("SD")).isEmpty());
        // The save question still comes while the system goes down.
        QCOMPARE(boxes(QStringLiteral("Save Playlist?")).size(), 1);
    }

    void refusedShutdownBringsTheWindowBack()
    {
        const QString refusal = QStringLiteral("Win32 Error.  Code: 5.\nAccess is denied.");
        m_system.refuseShutdownWith = refusal;
        m_prompts.answerFiles({clip(QStringLiteral("p.wav")), clip(QStringLiteral("q.wav"))});
        playNextPlayer(
            [this](TWplayerF2& p) {
                S.ShutdownPending = true; // as a sleep choice leaves it
                p.close();
            },
            false);
        m_form->PickButtonClick();
        QCOMPARE(m_system.shutdowns, 1);
        QCOMPARE(m_prompts.boxTexts(), QStringList({refusal}));
        QCOMPARE(m_prompts.boxes().first().icon, QMessageBox::Critical);
        QVERIFY(m_form->isVisible());
        QVERIFY(!S.ShutdownPending); // cleared once reported: the next playback does not ask again
        QCOMPARE(m_form->clipManagers, 0);
        m_prompts.answerFiles({clip(QStringLiteral("p.wav"))});
        playNextPlayer([](TWplayerF2& p) { p.close(); }, false);
        m_form->PickButtonClick();
        QCOMPARE(m_system.shutdowns, 1);
    }
};

QTEST_MAIN(TestEntries)
#include "tst_entries.moc"
