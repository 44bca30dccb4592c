// Drops on the playlist editor's list, made with Qt's own drag events on the real windows: clips are
// added as "Add clip(s)" adds them, anything else is refused with a message and adds nothing.
#include "support/WindowFixture.h"

#include "app/wmt.h"
#include "common/StringList.h"
#include "editor/ClipListModel.h"
#include "editor/MangleU.h"
#include "platform/ui/QtPrompts.h"
#include "playlist/CCFuncs.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListView>
#include <QMimeData>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <memory>

class TestEditorDrop : public QObject
{
    Q_OBJECT

    QTemporaryDir m_runtime;

    // Drags `data` over the list and lets go: the events a desktop's drag and drop delivers.
    static bool drop(QListView* list, const QMimeData& data)
    {
        QWidget* target = list->viewport();
        const QPoint at = target->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &enter);
        if (!enter.isAccepted())
            return false;
        QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &move);
        QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &dropped);
        return dropped.isAccepted();
    }

    static QMimeData* files(const QStringList& paths)
    {
        auto* data = new QMimeData;
        QList<QUrl> urls;
        for (const QString& p : paths)
            urls.append(QUrl::fromLocalFile(p));
        data->setUrls(urls);
        return data;
    }

private Q_SLOTS:
    void initTestCase() { qputenv("XDG_RUNTIME_DIR", m_runtime.path().toLocal8Bit()); }

    void clipsAreAddedAndAnythingElseIsExplained()
    {
        WindowFixture fx;
        TForm1 form(fx.state, fx.services, fx.dir.path()); // its clip dialog says what a clip is
        const QDir dir(fx.dir.path());
        QStringList clips;
        for (const QString& name : {QStringLiteral("b.avi"), QStringLiteral("a.mp3"),
                                    QStringLiteral("notes.txt"), QStringLiteral("list.asx")}) {
            QFile f(dir.filePath(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
            clips.append(f.fileName());
        }
        dir.mkpath(QStringLiteral("folder.avi"));

        fx.prompts.answerFiles({dir.filePath(QStringLiteral("new.asx"))}); // the playlist to edit
        TMangle editor(fx.state, fx.services, form.OpenDialog1);
        editor.show();
        QTRY_VERIFY(!editor.playlistPath().isEmpty());
        fx.prompts.clear();
        auto* list = editor.findChild<QListView*>(QStringLiteral("ListBox1"));

        // Clips, in drop order; one already listed (in another letter case) is not added again.
        std::unique_ptr<QMimeData> two(files({clips[0], clips[1]}));
        QVERIFY(drop(list, *two));
        QCOMPARE(editor.clips()->entries(), QStringList({clips[0], clips[1]}));
        editor.ButtonSortClick();
        std::unique_ptr<QMimeData> again(files({dir.filePath(QStringLiteral("A.MP3"))}));
        QFile::rename(clips[1], dir.filePath(QStringLiteral("A.MP3")));
        QVERIFY(drop(list, *again));
        QCOMPARE(editor.clips()->entries(), QStringList({clips[1], clips[0]}));
        QVERIFY(fx.prompts.asked.isEmpty());

        // A clip with something else, a playlist, a folder without clips, a web address, plain
        // text: nothing is added, and the message names what is not a clip.
        const QList<std::pair<QMimeData*, QString>> refused{
            {files({clips[0], clips[2]}), QStringLiteral("notes.txt")},
            {files({clips[3]}), QStringLiteral("list.asx")},
            {files({dir.filePath(QStringLiteral("folder.avi"))}), QStringLiteral("folder.avi")},
            {[] {
                 auto* d = new QMimeData;
                 d->setUrls({QUrl(QStringLiteral("https://example.org/clip.avi"))});
                 return d;
             }(),
             QStringLiteral("https://example.org/clip.avi")},
            {[] {
                 auto* d = new QMimeData;
                 d->setText(QStringLiteral("some words"));
                 return d;
             }(),
             QStringLiteral("some words")},
        };
        for (const auto& [data, named] : refused) {
            std::unique_ptr<QMimeData> owned(data);
            fx.prompts.clear();
            fx.prompts.answerBox(QMessageBox::Ok);
            QVERIFY(drop(list, *data));
            QTRY_COMPARE(fx.prompts.boxTexts().size(), 1);
            QVERIFY2(fx.prompts.boxTexts().first().contains(named),
                     qPrintable(fx.prompts.boxTexts().first()));
            QCOMPARE(editor.clips()->entries().size(), 2);
        }

        // Today's types, and a folder standing for its clips (hidden ones and others left out), are
        // added as the main window would play them, and OK saves them.
        QStringList more;
        for (const QString& name : {QStringLiteral("e.mp4"), QStringLiteral("f.ogg"),
                                    QStringLiteral("more/sub/c.wav"), QStringLiteral("more/d.mkv"),
                                    QStringLiteral("more/.hidden.mp3"), QStringLiteral("more/cover.jpg")}) {
            dir.mkpath(QFileInfo(dir.filePath(name)).path());
            QFile f(dir.filePath(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
            more.append(f.fileName());
        }
        fx.prompts.clear();
        std::unique_ptr<QMimeData> today(files({more[0], more[1], dir.filePath(QStringLiteral("more"))}));
        QVERIFY(drop(list, *today));
        const QStringList expected{clips[1], clips[0], more[0], more[1], more[3], more[2]};
        QTRY_COMPARE(editor.clips()->entries(), expected);
        QVERIFY(fx.prompts.asked.isEmpty());
        QVERIFY(QFile::rename(dir.filePath(QStringLiteral("A.MP3")), clips[1])); // back as listed
        editor.ButtonOKClick();
        StringList saved;
        QCOMPARE(CCFuncs::ReadPlaylist(dir.filePath(QStringLiteral("new.asx")), saved), 0);
        QCOMPARE(saved.items(), expected);
    }

    // Whatever a drop or a file name holds, the box that quotes it fits on the screen and shows
    // it as text: a 400 KB data: address, a 300 KB line, a name written as markup.
    void hostileDropsGiveABoxThatFits()
    {
        WindowFixture fx;
        TForm1 form(fx.state, fx.services, fx.dir.path());
        fx.prompts.answerFiles({QDir(fx.dir.path()).filePath(QStringLiteral("new.asx"))});
        TMangle editor(fx.state, fx.services, form.OpenDialog1);
        editor.show();
        QTRY_VERIFY(!editor.playlistPath().isEmpty());
        QMimeData url, line;
        url.setUrls({QUrl(QStringLiteral("data:text/plain,") + QString(400 * 1024, u'x'))});
        line.setText(QString(300 * 1024, u'y') + QStringLiteral("\nsecond line"));
        fx.prompts.clear();
        for (const QMimeData* data : {&url, &line})
            QVERIFY(drop(editor.findChild<QListView*>(QStringLiteral("ListBox1")), *data));
        QStringList texts = fx.prompts.boxTexts();
        QCOMPARE(texts.size(), 2);
        QVERIFY(texts[0].size() < 1000 && texts[1].size() < 1000);

        // The real boxes, also with the longest text any caller might still pass.
        texts += QStringLiteral("\"<h1 style=\"color:red\">Your clips are damaged<br>.txt\"") +
                 QString(300 * 1024, u'z') + QString(5000, u'\n');
        QtPrompts prompts;
        for (const QString& text : texts) {
            Qt::TextFormat format = Qt::AutoText;
            int height = 0;
            QTimer::singleShot(0, this, [&] {
                if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                    format = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))->textFormat();
                    height = box->sizeHint().height();
                    box->accept();
                }
            });
            prompts.message(text);
            QCOMPARE(format, Qt::PlainText);
            QVERIFY2(height <= QGuiApplication::primaryScreen()->availableSize().height(),
                     qPrintable(QString::number(height)));
        }
    }
};

QTEST_MAIN(TestEditorDrop)
#include "tst_editordrop.moc"
