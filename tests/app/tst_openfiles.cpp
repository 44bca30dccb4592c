// Files opened from outside the dialogs: dropped on the main window or handed over by a second
// copy, while the program waits at its main window and while it is busy.
#include "player/PlayerKit.h"
#include "support/RecordingMedia.h"
#include "support/RecordingServices.h"
#include "support/ScriptedPrompts.h"

#include "app/wmt.h"
#include "common/JustOne.h"
#include "common/SharedState.h"
#include "platform/ui/LongWork.h"
#include "player/WplayerU2.h"
#include "playlist/CCFuncs.h"
#include "playlist/FolderScan.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QMimeData>
#include <QProgressDialog>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>

namespace {

// The editor's place runs a test's step instead.
class Form : public TForm1
{
public:
    using TForm1::TForm1;
    std::function<void()> whileEditing;

protected:
    void ShowEditor() override { whileEditing(); }
};

void drop(QWidget* target, const QList<QUrl>& urls)
{
    QMimeData data;
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(target, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent dropped(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(target, &dropped);
}

QList<QUrl> local(const QStringList& files)
{
    QList<QUrl> urls;
    for (const QString& f : files)
        urls.append(QUrl::fromLocalFile(f));
    return urls;
}

} // namespace

class TestOpenFiles : public QObject
{
    Q_OBJECT

    QTemporaryDir m_app;
    QTemporaryDir m_clips;
    QTemporaryDir m_runtime;
    ScriptedPrompts m_prompts;
    RecordingServices m_system;
    RecordingMedia m_media{PlayerKit::engine()};
    Services m_services{m_prompts, m_system, m_media};
    SharedState S;
    std::unique_ptr<Form> m_form;

    QString clip(const QString& name) { return PlayerKit::makeClip(m_clips.path(), name); }

    // What the last player wrote and played; a player that never started playing would hang.
    QStringList played() const
    {
        StringList list;
        try {
            CCFuncs::ReadPlaylist(m_app.filePath(QStringLiteral("playlist.tmp")), list);
        } catch (...) {
            return {};
        }
        return list.items();
    }

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("XDG_RUNTIME_DIR", m_runtime.path().toLocal8Bit());
        m_form = std::make_unique<Form>(S, m_services, m_app.path());
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        // A player that does not play by itself is closed, so that the checks below fail rather
        // than wait for ever.
        auto* closer = new QTimer(this);
        connect(closer, &QTimer::timeout, this, [] {
            if (TWplayerF2* p = PlayerKit::findPlayer())
                QTimer::singleShot(15000, p, &QDialog::reject);
        });
        closer->start(1000);
    }

    void cleanupTestCase() { m_form.reset(); }

    void openAsTheEntryActionsDo()
    {
        const QString b = clip(QStringLiteral("b.wav"));
        const QString a = clip(QStringLiteral("A.wav"));
        m_prompts.answerBox(QMessageBox::No);
        drop(m_form.get(), local({b, a}));
        QTRY_COMPARE_WITH_TIMEOUT(m_prompts.boxTexts(), QStringList{QStringLiteral("Save Playlist?")}, 20000);
        QCOMPARE(S.EntryMode, 10);
        QCOMPARE(S.ClipDir, m_clips.path());
        QCOMPARE(played(), QStringList({a, b}));
        QVERIFY(m_form->isVisible());

        // A playlist handed over by a second copy plays as a loaded one, missing clips reported.
        const QString gone = clip(QStringLiteral("gone.wav"));
        const QString list = m_clips.filePath(QStringLiteral("list.asx"));
        CCFuncs::WritePlaylist({b, gone, a}, list);
        QFile::remove(gone);
        m_prompts.clear();
        std::atomic<int> handedOver{-1};
        std::thread second([&] { // it waits for the answer, so it runs beside this loop
            TXJustOne copy;
            copy.check(QCoreApplication::applicationName(), {list});
            handedOver = copy.filesHandedOver();
        });
        QTRY_VERIFY(handedOver >= 0);
        second.join();
        QCOMPARE(handedOver.load(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(S.EntryMode, 20, 20000);
        QTRY_COMPARE_WITH_TIMEOUT(played(), QStringList({b, a}), 20000);
        QCOMPARE(m_prompts.boxTexts(),
                 QStringList{QStringLiteral(
                     "Warning: 1 clip(s) could not be found.\rWill play any remaining clips")});

        // What cannot be opened together is refused with a word, and nothing changes.
        const QString text = m_clips.filePath(QStringLiteral("notes.txt"));
        QFile f(text);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("not a clip\n");
        f.close();
        const QString emptyFolder = m_clips.filePath(QStringLiteral("empty"));
        QVERIFY(QDir().mkpath(emptyFolder + QStringLiteral("/.hidden")));
        clip(QStringLiteral("empty/.hidden/c.wav"));
        const QList<QPair<QList<QUrl>, QString>> refused = {
            {local({a, list}), QStringLiteral("not both")},
            {local({list, list}), QStringLiteral("one playlist (.asx) at a time")},
            {local({a, text}), QStringLiteral("\"notes.txt\": it is neither")},
            {local({gone}), QStringLiteral("\"gone.wav\": the file does not exist")},
            {local({emptyFolder}), QStringLiteral("There are no clips in \"empty\"")},
            {{QUrl(QStringLiteral("https://example.com/a.mp3"))},
             QStringLiteral("Only files on this computer")},
        };
        for (const auto& [urls, says] : refused) {
            m_prompts.clear();
            S.EntryMode = 0;
            drop(m_form.get(), urls);
            QTRY_COMPARE(m_prompts.boxTexts().size(), 1);
            QVERIFY2(m_prompts.boxTexts().first().contains(says), qPrintable(m_prompts.boxTexts().first()));
            QCOMPARE(S.EntryMode, 0);
        }
    }

    // A folder stands for its clips and those of its subfolders, sorted as picked clips are; what
    // is hidden or not a clip stays out, and a link back up is followed once.
    void folderPlaysItsClipsInOrder()
    {
        const QString top = m_clips.filePath(QStringLiteral("holiday"));
        const QStringList clips = PlayerKit::makeClips(
            top, {QStringLiteral("b.wav"), QStringLiteral("A/z.wav"), QStringLiteral("a/Y.wav"),
                  QStringLiteral("c d/%e #f & g.wav"), QStringLiteral("Ö/ö.wav"),
                  // sorted as Select Clip(s) sorts, not in byte order: "apple" before "Banana"
                  QStringLiteral("Banana.wav"), QStringLiteral("apple.wav"), QStringLiteral("éclair.wav"),
                  QStringLiteral("Eagle.wav"), QStringLiteral("zebra.wav"),
                  // audio by the type its name gives, and by its content alone
                  QStringLiteral("voice.amr"), QStringLiteral("sound")});
        clip(QStringLiteral("holiday/.hidden.wav"));
        clip(QStringLiteral("holiday/.cache/x.wav"));
        for (const char* other : {"cover.jpg", "notes.txt", "b.srt", "list.m3u", "list.asx", "readme"}) {
            QFile f(QDir(top).filePath(QString::fromUtf8(other)));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("x\n");
        }
        QVERIFY(QFile::link(top, QDir(top).filePath(QStringLiteral("a/back up"))));
        QStringList sorted = clips;
        std::sort(sorted.begin(), sorted.end(),
                  [](const QString& x, const QString& y) { return StringList::compare(x, y) < 0; });
        QCOMPARE(FolderScan::clipsIn(top), sorted);

        for (const bool handedOver : {false, true}) {
            m_prompts.clear();
            m_prompts.answerBox(QMessageBox::No);
            QFile::remove(m_app.filePath(QStringLiteral("playlist.tmp")));
            if (handedOver) {
                std::thread second([&] {
                    TXJustOne copy;
                    copy.check(QCoreApplication::applicationName(), {top});
                });
                (void)QTest::qWaitFor([&] { return !m_prompts.boxTexts().isEmpty(); }, 20000);
                second.join();
                QCOMPARE(m_prompts.boxTexts(), QStringList{QStringLiteral("Save Playlist?")});
            } else {
                drop(m_form.get(), local({top}));
                QTRY_COMPARE_WITH_TIMEOUT(m_prompts.boxTexts(), QStringList{QStringLiteral("Save Playlist?")},
                                          20000);
            }
            QCOMPARE(played(), sorted);
            QCOMPARE(S.EntryMode, 10);
            QCOMPARE(S.ClipDir, top);
        }
    }

    // Work that ends at once shows nothing; long work shows its count, and Cancel ends it with
    // nothing done, the scan of a folder too.
    void longWorkShowsProgressAndCancels()
    {
        int shown = 0;
        QString label;
        auto* watch = new QTimer(this);
        connect(watch, &QTimer::timeout, this, [&] {
            if (auto* progress = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget())) {
                ++shown;
                label = progress->labelText();
                if (label.contains(QLocale().toString(1234)))
                    progress->findChild<QPushButton*>()->click();
            }
        });
        watch->start(20);
        QVERIFY(runLongWork(
            m_form.get(), [](qint64) { return QString(); }, [](LongWorkState&) {}));
        QCOMPARE(shown, 0);
        bool stopped = false;
        QVERIFY(!runLongWork(
            m_form.get(), [](qint64 n) { return FolderScan::progressText(QStringLiteral("\"x\""), n); },
            [&](LongWorkState& state) {
                state.count = 1234;
                QElapsedTimer waited;
                waited.start();
                while (!state.cancel && waited.elapsed() < 20000)
                    QThread::msleep(5);
                stopped = state.cancel;
            }));
        delete watch;
        QVERIFY(stopped);
        QVERIFY(shown > 0);
        QVERIFY2(label.startsWith(QStringLiteral("Looking for clips in \"x\"")), qPrintable(label));
        const std::atomic<bool> cancelled{true};
        QVERIFY(FolderScan::clipsIn(m_clips.path(), &cancelled).isEmpty());
    }

    // A playlist of another program, handed over, plays every entry in file order.
    void otherProgramsPlaylistsPlay_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("m3u") << "list.m3u"
                             << QByteArray("#EXTM3U\r\n#EXTINF:2,Bee\r\nsub/b.wav\r\n\r\n"
                                           "#EXTINF:2,A\r\nsub/a.wav\r\n");
        QTest::newRow("m3u8") << "list.m3u8" << QByteArray("#EXTM3U\nsub/b.wav\nfile://@DIR@/sub/a.wav\n");
        QTest::newRow("pls") << "list.pls"
                             << QByteArray("[playlist]\nFile2=sub/a.wav\nTitle1=Bee\nFile1=@DIR@/sub/b.wav\n"
                                           "NumberOfEntries=2\nVersion=2\n");
        QTest::newRow("xspf") << "list.xspf"
                              << QByteArray(
                                     "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<playlist version=\"1\" "
                                     "xmlns=\"http://xspf.org/ns/0/\"><trackList>\n<track><location>"
                                     "sub/b.wav</location></track>\n<track><location>file://@DIR@/sub/"
                                     "a.wav</location></track></trackList></playlist>\n");
        QTest::newRow("asx of another program")
            << "other.asx"
            << QByteArray("<asx version='3.0'>\n<entry>\n  <ref href = 'sub/b.wav'/>\n</entry>\n"
                          "<Entry><Ref Href=\"nowhere.wav\"/><Ref Href=\"sub/a.wav\"/></Entry>\n</asx>\n");
    }
    void otherProgramsPlaylistsPlay()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, text);
        const QString dir = m_clips.filePath(QStringLiteral("lists"));
        const QStringList clips =
            PlayerKit::makeClips(dir, {QStringLiteral("sub/b.wav"), QStringLiteral("sub/a.wav")});
        const QString list = QDir(dir).filePath(name);
        QFile f(list);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(text.replace("@DIR@", QFile::encodeName(dir)));
        f.close();
        m_prompts.clear();
        QFile::remove(m_app.filePath(QStringLiteral("playlist.tmp")));
        std::thread second([&] {
            TXJustOne copy;
            copy.check(QCoreApplication::applicationName(), {list});
        });
        const auto joined = qScopeGuard([&] { second.join(); });
        QTRY_VERIFY_WITH_TIMEOUT(!played().isEmpty(), 20000);
        QCOMPARE(played(), clips);
        QTRY_VERIFY_WITH_TIMEOUT(!PlayerKit::findPlayer() && m_form->isVisible(), 20000);
        QCOMPARE(S.EntryMode, 20);
        QVERIFY2(m_prompts.boxTexts().isEmpty(), qPrintable(m_prompts.boxTexts().join(u'|')));
    }

    // Files that arrive while a window of ours is up wait for it, with a word, and then open.
    void busyCopyOpensFilesAfterwards()
    {
        const QString a = clip(QStringLiteral("later.wav"));
        m_prompts.clear();
        S.EntryMode = 0;
        m_form->whileEditing = [&] {
            m_form->openFiles({a});
            QCOMPARE(m_prompts.boxTexts().size(), 1);
            QVERIFY(m_prompts.boxTexts().first().contains(QStringLiteral("busy")));
            QCOMPARE(S.EntryMode, 0);
        };
        m_form->Button1Click();
        QTRY_COMPARE_WITH_TIMEOUT(S.EntryMode, 10, 20000);
        QTRY_COMPARE_WITH_TIMEOUT(played(), QStringList{a}, 20000);
    }
};

QTEST_MAIN(TestOpenFiles)
#include "tst_openfiles.moc"
