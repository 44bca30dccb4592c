// Files opened from outside the dialogs: dropped on the main window or handed over by a second
// copy, while the program waits at its main window and while it is busy.
#include "player/PlayerKit.h"
#include "support/RecordingMedia.h"
#include "support/RecordingServices.h"
#include "support/ScriptedPrompts.h"

#include "app/wmt.h"
#include "common/JustOne.h"
#include "common/SharedState.h"
#include "player/WplayerU2.h"
#include "playlist/CCFuncs.h"

#include <QFile>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

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
        const QList<QPair<QList<QUrl>, QString>> refused = {
            {local({a, list}), QStringLiteral("not both")},
            {local({list, list}), QStringLiteral("one playlist (.asx) at a time")},
            {local({a, text}), QStringLiteral("\"notes.txt\": it is neither")},
            {local({gone}), QStringLiteral("\"gone.wav\": the file does not exist")},
            {local({m_clips.path()}), QStringLiteral("it is a folder")},
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
