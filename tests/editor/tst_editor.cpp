// The playlist editor driven through its real window: real playlist files, the real desktop trash
// under a private home, prompts answered from a script.
#include "common/SharedState.h"
#include "editor/ClipListModel.h"
#include "editor/ConfirmKillU.h"
#include "editor/MangleU.h"
#include "platform/Services.h"
#include "support/RecordingMedia.h"
#include "support/RecordingServices.h"
#include "support/ScriptedPrompts.h"
#include "support/TrashList.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QListView>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <random>

namespace {

const QString SelectFirst = QStringLiteral("You must first select (click on) a clip");

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A playlist as another program might have written it, made without the program's own writer.
void writeAsx(const QString& path, const QStringList& clips)
{
    QByteArray text = "<ASX VERSION=\"3.0\">\r\n<!-- test -->\r\n<!-- fixture -->\r\n";
    for (const QString& c : clips)
        text += " <ENTRY><REF HREF=\"" + c.toLocal8Bit() + "\" /></ENTRY>\r\n";
    text += "</ASX>\r\n";
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(text);
}

// The references of a playlist file, in file order.
QStringList hrefs(const QString& path)
{
    QStringList out;
    static const QRegularExpression ref(QStringLiteral("HREF=\"([^\"]*)\""));
    const QString text = QString::fromLocal8Bit(readAll(path));
    for (auto it = ref.globalMatch(text); it.hasNext();)
        out.append(it.next().captured(1));
    return out;
}

bool trashListed(const QString& path)
{
    return trashListPaths().contains(path);
}

// Runs `act` on the confirmation dialog once it is up (it runs its own modal loop).
void whenConfirmKillShows(QWidget* owner, std::function<void(TConfirmKill*)> act)
{
    auto* timer = new QTimer(owner);
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, owner, [owner, timer, act] {
        auto* dlg = owner->findChild<TConfirmKill*>();
        if (!dlg || !dlg->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        act(dlg);
    });
    timer->start();
}

} // namespace

class TestEditor : public QObject
{
    Q_OBJECT
private:
    struct Fixture
    {
        QTemporaryDir dir;
        SharedState state;
        ScriptedPrompts prompts;
        RecordingServices system;
        RecordingMedia media;
        Services services{prompts, system, media};
        FileDialogSettings clipDialog;
        std::unique_ptr<TMangle> editor;

        Fixture()
        {
            state.AppDir = dir.path() + u'/';
            QDir(dir.path()).mkpath(QStringLiteral("clips"));
            clipDialog.kind = FileDialogSettings::OpenMany;
            clipDialog.title = QStringLiteral("Select clip(s)");
        }
        QString path(const QString& name) const { return dir.filePath(name); }
        QString clip(const QString& name)
        {
            const QString p = dir.filePath(QStringLiteral("clips/") + name);
            QFile f(p);
            if (f.open(QIODevice::WriteOnly))
                f.write("clip " + name.toUtf8());
            return p;
        }
        QStringList clips(const QStringList& names)
        {
            QStringList out;
            for (const QString& n : names)
                out.append(clip(n));
            return out;
        }
        // Shows the editor and answers its playlist dialog with `playlist`.
        bool open(const QString& playlist)
        {
            prompts.answerFiles({playlist});
            editor = std::make_unique<TMangle>(state, services, clipDialog);
            editor->show();
            return QTest::qWaitFor([&] { return !editor->playlistPath().isEmpty(); });
        }
        QPushButton* button(const char* name) const { return editor->findChild<QPushButton*>(name); }
        QListView* view() const { return editor->findChild<QListView*>("ListBox1"); }
        QStringList listed() const { return editor->clips()->entries(); }
        void clickRow(int row)
        {
            QListView* view = this->view();
            const QModelIndex index = editor->clips()->index(row);
            view->scrollTo(index);
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
        }
        void click(QAbstractButton* b) { QTest::mouseClick(b, Qt::LeftButton); }
        void addClips(const QStringList& paths)
        {
            prompts.answerFiles(paths);
            click(button("ButtonAdd"));
        }
        // Delete clip, answering the confirmation: Yes or No, with or without the trash.
        void deleteSelected(bool yes, bool trash)
        {
            whenConfirmKillShows(editor.get(), [=](TConfirmKill* dlg) {
                QVERIFY(!dlg->findChild<QCheckBox*>("CheckBox1")->isChecked());
                if (trash)
                    QTest::keyClick(dlg->findChild<QCheckBox*>("CheckBox1"), Qt::Key_Space);
                QTest::mouseClick(yes ? dlg->findChild<QPushButton*>("OKbutton")
                                      : dlg->findChild<QPushButton*>("CancelButton"),
                                  Qt::LeftButton);
            });
            click(button("ButtonDelete"));
        }
    };

private Q_SLOTS:
    // A long entry keeps its whole text and the scroll bar that reaches it wherever Sort and Move
    // put it: the list sizes all rows from one sample row, which may be a short one.
    void longEntriesStayReadable()
    {
        Fixture f;
        const QString longClip = f.clip(QStringLiteral("a") + QString(150, u'x') + QStringLiteral(".mp3"));
        writeAsx(f.path(QStringLiteral("list.asx")), {f.clip(QStringLiteral("b.mp3")), longClip});
        QVERIFY(f.open(f.path(QStringLiteral("list.asx"))));
        const auto readable = [&] {
            QListView* view = f.view();
            const QRect row = view->visualRect(f.editor->clips()->index(int(f.listed().indexOf(longClip))));
            return row.width() > view->fontMetrics().horizontalAdvance(longClip) &&
                   view->horizontalScrollBar()->maximum() > 0;
        };
        QTRY_VERIFY(readable());
        f.click(f.button("ButtonSort"));
        QTRY_VERIFY(readable());
        f.clickRow(0);
        f.click(f.button("ButtonDown"));
        f.clickRow(1);
        f.click(f.button("ButtonUp"));
        QCOMPARE(f.listed().first(), longClip);
        QTRY_VERIFY(readable());
    }

    void theFormsLookAsDesigned()
    {
        Fixture f;
        QVERIFY(f.open(f.path(QStringLiteral("none.asx"))));
        TMangle& m = *f.editor;
        const Fixture* ui = &f;
        QCOMPARE(m.size(), QSize(458, 342));
        QCOMPARE(m.minimumSize(), m.maximumSize());
        QVERIFY(m.windowFlags() & Qt::WindowCloseButtonHint);
        QCOMPARE(ui->view()->geometry(), QRect(7, 21, 355, 286));
        QCOMPARE(ui->button("ButtonErase")->geometry(), QRect(249, 314, 117, 21));
        QCOMPARE(ui->view()->selectionMode(), QAbstractItemView::SingleSelection);
        // The list shows the window's font; the window's style sheet must not cut it off from it.
        QCOMPARE(ui->view()->font().family(), QStringLiteral("Arial"));
        QCOMPARE(ui->view()->font().pixelSize(), 10);
        QCOMPARE(ui->button("ButtonAdd")->font().pixelSize(), 14);

        const QList<std::tuple<QAbstractButton*, QString, QString>> buttons = {
            {ui->button("ButtonAdd"), "Add clip(s)", "Add Clip(s) to this Playlist"},
            {ui->button("ButtonDelete"), "Delete clip", "Delete Selected Media from Playlist"},
            {ui->button("ButtonUp"), "Move Up", "Move selected clip up in Playlist"},
            {ui->button("ButtonDown"), "Move Down", "Move selected clip down in Playlist"},
            {ui->button("ButtonSort"), "Sort", "Put clips in alphabetical order"},
            {ui->button("ButtonOK"), "OK", "Save changes & Exit"},
            {ui->button("BitBtn1"), "Cancel", "Undo any changes"},
            {ui->button("ButtonErase"), "Erase Playlist ", "Send this Playlist to the Recycle Bin"},
        };
        for (const auto& [b, text, hint] : buttons) {
            QCOMPARE(b->text(), text);
            QCOMPARE(b->toolTip(), hint);
        }
        QCOMPARE(ui->button("ButtonDown")->property("Tag").toInt(), 69);
        QVERIFY(ui->button("ButtonOK")->isDefault());
        QVERIFY(!ui->button("ButtonOK")->icon().isNull());

        // Tab order: the list, Delete, OK, Cancel, Up, Down, Add, Erase, Sort.
        const QList<QWidget*> order = {ui->view(),
                                       ui->button("ButtonDelete"),
                                       ui->button("ButtonOK"),
                                       ui->button("BitBtn1"),
                                       ui->button("ButtonUp"),
                                       ui->button("ButtonDown"),
                                       ui->button("ButtonAdd"),
                                       ui->button("ButtonErase"),
                                       ui->button("ButtonSort")};
        QList<QWidget*> chain;
        QWidget* w = order.first();
        do {
            if (order.contains(w))
                chain.append(w);
            w = w->nextInFocusChain();
        } while (w != order.first());
        QCOMPARE(chain, order);

        // The playlist dialog: starts in the program's folder, takes a name that does not exist.
        const FileDialogSettings& asked = f.prompts.asked.first().file;
        QCOMPARE(asked.title, QStringLiteral("Select Playlist to Modify"));
        QCOMPARE(asked.filters.first(), QStringLiteral("PlayLists (*.asx)"));
        QCOMPARE(asked.defaultSuffix, QStringLiteral("asx"));
        QCOMPARE(asked.kind, FileDialogSettings::Open);
        QVERIFY(!asked.mustExist);
        QCOMPARE(asked.initialDir, f.state.AppDir);

        TConfirmKill confirm(&m);
        QCOMPARE(confirm.windowTitle(), QStringLiteral("Confirm clip deletion from playlist"));
        QCOMPARE(confirm.size(), QSize(429, 109));
        QVERIFY(!(confirm.windowFlags() & (Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint)));
        QCOMPARE(confirm.findChild<QPushButton*>("OKbutton")->text(), QStringLiteral("&Yes"));
        QCOMPARE(confirm.findChild<QPushButton*>("CancelButton")->text(), QStringLiteral("&No"));
        QCOMPARE(confirm.findChild<QCheckBox*>("CheckBox1")->text(),
                 QStringLiteral("Send clip to the Recycle Bin also"));
        QVERIFY(confirm.findChild<QPushButton*>("OKbutton")->isDefault());
        QCOMPARE(confirm.grab().toImage().pixelColor(2, 2), QColor(Qt::yellow));
        // Enter says Yes, Esc says No; the check box starts unchecked at every showing.
        confirm.findChild<QCheckBox*>("CheckBox1")->setChecked(true);
        QTimer::singleShot(0, &confirm, [&] { QTest::keyClick(&confirm, Qt::Key_Return); });
        QCOMPARE(confirm.exec(), int(QDialog::Accepted));
        QVERIFY(!confirm.findChild<QCheckBox*>("CheckBox1")->isChecked());
        QTimer::singleShot(0, &confirm, [&] { QTest::keyClick(&confirm, Qt::Key_Escape); });
        QCOMPARE(confirm.exec(), int(QDialog::Rejected));

        if (qEnvironmentVariableIsSet("VIDMARRO_SHOTS")) {
            f.addClips(f.clips({"b.mp3", "a.mp3", "c.avi"}));
            f.clickRow(1);
            m.grab().save(qEnvironmentVariable("VIDMARRO_SHOTS") + "/editor.png");
            confirm.grab().save(qEnvironmentVariable("VIDMARRO_SHOTS") + "/confirmkill.png");
        }
    }

    void cancellingThePlaylistChoiceClosesAtOnce()
    {
        Fixture f;
        f.state.AllBox.assign({QStringLiteral("kept")});
        f.prompts.answerFiles({});
        TMangle m(f.state, f.services, f.clipDialog);
        QCOMPARE(m.exec(), int(QDialog::Rejected));
        QCOMPARE(f.state.AllBox.items(), QStringList{QStringLiteral("kept")});
        QCOMPARE(f.prompts.asked.size(), 1);
        QCOMPARE(QDir(f.dir.path()).entryList(QDir::Files), QStringList());
    }

    void opensTheListAndOkRewritesIt()
    {
        Fixture f;
        const QStringList clips = f.clips({"one.mp3", "two.mp3", "three.mp3"});
        const QString gone = f.path(QStringLiteral("clips/gone.mp3"));
        const QString list = f.path(QStringLiteral("evening.asx"));
        writeAsx(list, {clips[0], gone, clips[1], clips[2]});
        QVERIFY(f.open(list));
        QCOMPARE(f.editor->windowTitle(), QStringLiteral("Vidmarro - Edit Playlist [%1]").arg(list));
        QCOMPARE(f.listed(), clips);
        QCOMPARE(f.editor->selectedRow(), -1);
        QVERIFY(f.prompts.boxes().isEmpty()); // missing clips are dropped quietly

        // Enter is OK: the file is rewritten from what was read, without the missing clip.
        QTest::keyClick(f.view(), Qt::Key_Return);
        QTRY_VERIFY(!f.editor->isVisible());
        QCOMPARE(f.editor->result(), int(QDialog::Accepted));
        QCOMPARE(hrefs(list), clips);
        QCOMPARE(f.state.AllBox.items(), clips);
    }

    void aPlaylistOfMissingClipsOpensEmpty()
    {
        Fixture f;
        const QString list = f.path(QStringLiteral("old.asx"));
        writeAsx(list, {f.path(QStringLiteral("x.mp3")), f.path(QStringLiteral("y.mp3"))});
        QVERIFY(f.open(list));
        QVERIFY(f.listed().isEmpty());
        f.click(f.button("ButtonOK"));
        QTRY_VERIFY(!f.editor->isVisible());
        QCOMPARE(hrefs(list), QStringList());
        QVERIFY(readAll(list).endsWith("</ASX>\r\n"));
    }

    void sortedModeAndAdding()
    {
        Fixture f;
        const QString list = f.path(QStringLiteral("l.asx"));
        QDir(f.dir.path()).mkpath(QStringLiteral("clips/A"));
        QDir(f.dir.path()).mkpath(QStringLiteral("clips/b"));
        const QString bA = f.clip(QStringLiteral("b/a.mp3"));
        const QString Az = f.clip(QStringLiteral("A/z.mp3"));
        const QString m = f.clip(QStringLiteral("m.mp3"));
        const QString c = f.clip(QStringLiteral("C.mp3"));
        writeAsx(list, {m, bA, Az});
        QVERIFY(f.open(list));

        // The selection stays on its row number, now another clip's.
        f.clickRow(0);
        f.click(f.button("ButtonSort"));
        QCOMPARE(f.listed(), (QStringList{Az, bA, m})); // the folder counts first, case ignored
        QCOMPARE(f.editor->selectedRow(), 0);

        // Sorted: an added clip goes to its place; the selection stays with its clip.
        f.clickRow(1);
        f.addClips({c});
        QCOMPARE(f.listed(), (QStringList{Az, bA, c, m}));
        QCOMPARE(f.editor->selectedRow(), 1);

        // A move ends sorted mode, even one that cannot move; then additions go to the end.
        f.clickRow(0);
        f.click(f.button("ButtonUp"));
        QCOMPARE(f.listed(), (QStringList{Az, bA, c, m}));
        const QString a0 = f.clip(QStringLiteral("0.mp3"));
        f.addClips({a0});
        QCOMPARE(f.listed(), (QStringList{Az, bA, c, m, a0}));

        // Sorting again, then Move Down: order kept, the moved clip still selected.
        f.click(f.button("ButtonSort"));
        QCOMPARE(f.listed(), (QStringList{a0, Az, bA, c, m}));
        f.clickRow(2);
        f.click(f.button("ButtonDown"));
        QCOMPARE(f.listed(), (QStringList{a0, Az, c, bA, m}));
        QCOMPARE(f.editor->selectedRow(), 3);
        const QString z = f.clip(QStringLiteral("Zz.mp3"));
        const QString b = f.clip(QStringLiteral("B0.mp3"));
        f.addClips({z, b});
        QCOMPARE(f.listed(), (QStringList{a0, Az, c, bA, m, z, b}));
    }

    void aBatchAddedWhileSortedGoesToItsPlaces()
    {
        Fixture f;
        const QString list = f.path(QStringLiteral("l.asx"));
        QDir(f.dir.path()).mkpath(QStringLiteral("clips/b"));
        const QStringList clips = f.clips({"m.mp3", "b/a.mp3", "C.mp3"});
        writeAsx(list, clips);
        QVERIFY(f.open(list));
        f.click(f.button("ButtonSort"));
        QCOMPARE(f.listed(), (QStringList{clips[1], clips[2], clips[0]}));
        f.clickRow(2);

        // Given out of order, one of them already listed in another case; the selected clip moves
        // down with the entries that go in before it.
        const QString n = f.clip(QStringLiteral("n.mp3"));
        const QString b = f.clip(QStringLiteral("B.mp3"));
        const QString zero = f.clip(QStringLiteral("0.mp3"));
        f.addClips({n, f.path(QStringLiteral("clips/M.MP3")), b, zero});
        QCOMPARE(f.listed(), (QStringList{zero, b, clips[1], clips[2], clips[0], n}));
        QCOMPARE(f.editor->selectedRow(), 4);
    }

    // Adding a batch against adding one clip at a time, on random lists with look-alike names.
    void batchAddMatchesOneByOne()
    {
        std::mt19937 random(3);
        const QStringList parts = {"a", "B", "b", "\u00e9", "\u00c9", "/", ".", "z"};
        auto name = [&] {
            QString s;
            for (int i = 0, len = 1 + int(random() % 4); i < len; ++i)
                s += parts[int(random() % parts.size())];
            return s;
        };
        for (int round = 0; round < 50; ++round) {
            QStringList start, batch;
            for (int i = 0, c = int(random() % 30); i < c; ++i)
                start.append(name());
            for (int i = 0, c = 1 + int(random() % 10); i < c; ++i)
                batch.append(name());

            const bool sorted = round % 3 != 0;
            ClipListModel model;
            model.setSorted(sorted);
            model.setEntries(start);
            const int watched = start.isEmpty() ? -1 : int(random() % start.size());
            const QPersistentModelIndex keep = model.index(watched);
            const QString watchedText = keep.isValid() ? keep.data().toString() : QString();

            // The reference: each clip on its own, skipped when listed, else after its equals.
            QStringList expected = model.entries();
            for (const QString& c : batch) {
                const QString key = ClipListModel::sortKey(c);
                bool listed = false;
                for (const QString& e : expected)
                    listed = listed || ClipListModel::sortKey(e) == key;
                if (listed)
                    continue;
                int pos = 0;
                while (pos < expected.size() && (!sorted || !(key < ClipListModel::sortKey(expected[pos]))))
                    ++pos;
                expected.insert(pos, c);
            }
            model.addMissing(batch);
            QCOMPARE(model.entries(), expected);
            if (keep.isValid())
                QCOMPARE(keep.data().toString(), watchedText);
        }
    }

    void movesKeepTheSelectionAndEveryEntry()
    {
        Fixture f;
        const QString list = f.path(QStringLiteral("l.asx"));
        const QStringList clips = f.clips({"1.mp3", "2.mp3", "3.mp3", "4.mp3"});
        writeAsx(list, clips);
        QVERIFY(f.open(list));

        // Nothing selected: the message, and no change.
        for (QAbstractButton* b : {f.button("ButtonUp"), f.button("ButtonDown"), f.button("ButtonDelete")})
            f.click(b);
        QCOMPARE(f.prompts.boxTexts(), QStringList(3, SelectFirst));
        const MessageBoxRequest box = f.prompts.boxes().first();
        QCOMPARE(box.caption, QStringLiteral("Vidmarro"));
        QCOMPARE(box.icon, QMessageBox::NoIcon);
        QCOMPARE(f.listed(), clips);
        f.prompts.clear();

        // Repeated presses walk one clip to the end, where it stays.
        f.clickRow(0);
        for (int i = 0; i < 5; ++i)
            f.click(f.button("ButtonDown"));
        QCOMPARE(f.listed(), (QStringList{clips[1], clips[2], clips[3], clips[0]}));
        QCOMPARE(f.editor->selectedRow(), 3);
        for (int i = 0; i < 5; ++i)
            f.click(f.button("ButtonUp"));
        QCOMPARE(f.listed(), clips);
        QCOMPARE(f.editor->selectedRow(), 0);

        // After additions and deletions, Move Down still shifts every entry but the last by one.
        f.addClips(f.clips({"5.mp3", "6.mp3"}));
        f.clickRow(2);
        f.deleteSelected(true, false);
        f.addClips(f.clips({"7.mp3"}));
        const QStringList before = f.listed();
        QCOMPARE(before.size(), 6);
        for (int row = 0; row + 1 < before.size(); ++row) {
            QStringList expected = before;
            expected.swapItemsAt(row, row + 1);
            QStringList now = f.listed();
            f.clickRow(row);
            f.click(f.button("ButtonDown"));
            now.swapItemsAt(row, row + 1);
            QCOMPARE(f.listed(), now);
            QCOMPARE(f.editor->selectedRow(), row + 1);
        }
        QStringList a = before, b = f.listed();
        a.sort();
        b.sort();
        QCOMPARE(a, b);
        QVERIFY(f.prompts.boxes().isEmpty());
    }

    void addingSkipsClipsAlreadyListed()
    {
        Fixture f;
        const QString list = f.path(QStringLiteral("l.asx"));
        const QStringList clips = f.clips({"Song.MP3", "other.mp3"});
        writeAsx(list, clips);
        QVERIFY(f.open(list));
        f.clickRow(1);
        f.clipDialog.lastDir = QStringLiteral("remembered");
        QString otherCase = clips[0];
        otherCase.replace(QStringLiteral("Song.MP3"), QStringLiteral("song.mp3"));
        const QString fresh = f.clip(QStringLiteral("new.mp3"));
        f.addClips({otherCase, fresh, fresh.toUpper()});
        QCOMPARE(f.listed(), (QStringList{clips[0], clips[1], fresh}));
        QCOMPARE(f.editor->selectedRow(), 1);
        // The main window's clip dialog, shown as it was; what it remembers stays with it.
        QCOMPARE(f.prompts.asked.last().file.lastDir, QStringLiteral("remembered"));
        QCOMPARE(f.clipDialog.lastDir, f.path(QStringLiteral("clips")));
        // Cancelling the clip dialog adds nothing.
        f.addClips({});
        QCOMPARE(f.listed().size(), 3);
        QCOMPARE(f.prompts.asked.last().file.title, QStringLiteral("Select clip(s)"));
    }

    void deleteSendsTheClipToTheTrashOnlyWhenAsked()
    {
        Fixture f;
        const QString list = f.path(QStringLiteral("l.asx"));
        const QStringList clips = f.clips({"keep.mp3", "bin.mp3", "drop.mp3"});
        writeAsx(list, clips);
        const QByteArray original = readAll(list);
        QVERIFY(f.open(list));

        // No: nothing changes.
        f.clickRow(1);
        f.deleteSelected(false, true);
        QCOMPARE(f.listed(), clips);
        QVERIFY(QFile::exists(clips[1]));

        // Yes with the box checked: the file is in the trash, the entry gone, nothing selected.
        f.deleteSelected(true, true);
        QCOMPARE(f.listed(), (QStringList{clips[0], clips[2]}));
        QCOMPARE(f.editor->selectedRow(), -1);
        QVERIFY(!QFile::exists(clips[1]));
        QVERIFY(trashListed(clips[1]));
        f.click(f.button("ButtonDelete"));
        QCOMPARE(f.prompts.boxTexts(), QStringList{SelectFirst});

        // Yes without the box: the entry goes, the file stays.
        f.clickRow(1);
        f.deleteSelected(true, false);
        QCOMPARE(f.listed(), QStringList{clips[0]});
        QVERIFY(QFile::exists(clips[2]));

        // Cancel writes nothing, whatever went to the trash stays there.
        f.click(f.button("BitBtn1"));
        QTRY_VERIFY(!f.editor->isVisible());
        QCOMPARE(f.editor->result(), int(QDialog::Rejected));
        QCOMPARE(readAll(list), original);
        QVERIFY(trashListed(clips[1]));
        QCOMPARE(f.state.AllBox.items(), clips); // as read
    }

    void aClipThatCannotBeTrashedStaysListed()
    {
        Fixture f;
        const QString list = f.path(QStringLiteral("l.asx"));
        const QStringList clips = f.clips({"a.mp3", "b.mp3"});
        writeAsx(list, clips);
        QVERIFY(f.open(list));
        QVERIFY(QFile::remove(clips[0]));
        f.clickRow(0);
        f.deleteSelected(true, true);
        QCOMPARE(f.prompts.boxes().size(), 1);
        QCOMPARE(f.prompts.boxes().first().icon, QMessageBox::Critical);
        QCOMPARE(f.listed(), clips);
        QVERIFY(f.editor->isVisible());
    }

    void escapeAndCloseWriteNothing()
    {
        Fixture f;
        const QString list = f.path(QStringLiteral("l.asx"));
        const QStringList clips = f.clips({"a.mp3", "b.mp3"});
        writeAsx(list, clips);
        const QByteArray original = readAll(list);
        QVERIFY(f.open(list));
        f.clickRow(0);
        f.click(f.button("ButtonDown"));
        QTest::keyClick(f.view(), Qt::Key_Escape);
        QTRY_VERIFY(!f.editor->isVisible());
        QCOMPARE(readAll(list), original);

        QVERIFY(f.open(list));
        f.addClips(f.clips({"c.mp3"}));
        f.editor->close();
        QCOMPARE(readAll(list), original);
    }

    void eraseSendsThePlaylistToTheTrash()
    {
        Fixture f;
        const QString list = f.path(QStringLiteral("gone.asx"));
        const QStringList clips = f.clips({"a.mp3"});
        writeAsx(list, clips);
        QVERIFY(f.open(list));

        f.prompts.answerBox(QMessageBox::No);
        f.click(f.button("ButtonErase"));
        const MessageBoxRequest asked = f.prompts.boxes().first();
        QCOMPARE(asked.caption, QStringLiteral("Confirm"));
        QCOMPARE(asked.text,
                 QStringLiteral("Are you sure you want to send this Playlist to the Recycle Bin?"));
        QCOMPARE(asked.icon, QMessageBox::Question);
        QCOMPARE(asked.buttons, QMessageBox::Yes | QMessageBox::No);
        QVERIFY(f.editor->isVisible());
        QVERIFY(QFile::exists(list));

        f.addClips(f.clips({"b.mp3"}));
        f.prompts.answerBox(QMessageBox::Yes);
        f.click(f.button("ButtonErase"));
        QTRY_VERIFY(!f.editor->isVisible());
        QVERIFY(!QFile::exists(list));
        QVERIFY(trashListed(list));
        QVERIFY(QFile::exists(clips[0]));
    }

    void aNewNameOpensEmptyAndOkCreatesIt()
    {
        Fixture f;
        const QString list = f.path(QStringLiteral("new.asx"));
        QVERIFY(f.open(list));
        // The reader's error is shown; the editor opens on an empty list under that name.
        QCOMPARE(f.prompts.boxes().size(), 1);
        QCOMPARE(f.prompts.boxes().first().icon, QMessageBox::Critical);
        QCOMPARE(f.editor->windowTitle(), QStringLiteral("Vidmarro - Edit Playlist [%1]").arg(list));
        QVERIFY(f.listed().isEmpty());

        // Erasing a file that is not there fails and keeps the editor open.
        f.prompts.answerBox(QMessageBox::Yes);
        f.click(f.button("ButtonErase"));
        QCOMPARE(f.prompts.boxes().size(), 3);
        QCOMPARE(f.prompts.boxes().last().icon, QMessageBox::Critical);
        QVERIFY(f.editor->isVisible());

        const QStringList clips = f.clips({"b.mp3", "a.mp3"});
        f.addClips(clips);
        f.click(f.button("ButtonOK"));
        QTRY_VERIFY(!f.editor->isVisible());
        QCOMPARE(hrefs(list), clips);
    }

    void anUnreadablePlaylistIsNeverOverwritten()
    {
        Fixture f;
        const QString list = f.path(QStringLiteral("binary.asx"));
        QByteArray data("<ASX VERSION=\"3.0\">\r\n");
        data.append('\0').append("\x01\x02 not a playlist");
        {
            QFile out(list);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(data);
        }
        f.prompts.answerFiles({list});
        f.editor = std::make_unique<TMangle>(f.state, f.services, f.clipDialog);
        QCOMPARE(f.editor->exec(), int(QDialog::Rejected));
        QCOMPARE(f.prompts.boxes().size(), 1);
        QCOMPARE(f.prompts.boxes().first().icon, QMessageBox::Critical);
        QFile in(list);
        QVERIFY(in.open(QIODevice::ReadOnly));
        QCOMPARE(in.readAll(), data);
    }

    void aFailedSaveKeepsTheEditorOpen()
    {
        Fixture f;
        const QString folder = f.path(QStringLiteral("later"));
        const QString list = folder + QStringLiteral("/l.asx");
        QVERIFY(f.open(list));
        const QStringList clips = f.clips({"a.mp3", "b.mp3"});
        f.addClips(clips);
        f.clickRow(1);
        f.click(f.button("ButtonUp"));
        f.prompts.clear();

        // The folder is missing: the writer fails, the edited list stays on screen.
        f.click(f.button("ButtonOK"));
        QCOMPARE(f.prompts.boxes().size(), 1);
        QCOMPARE(f.prompts.boxes().first().icon, QMessageBox::Critical);
        QVERIFY(f.editor->isVisible());
        QCOMPARE(f.listed(), (QStringList{clips[1], clips[0]}));
        QCOMPARE(f.editor->selectedRow(), 0);

        // Once the folder is there, OK again saves and closes.
        QVERIFY(QDir().mkpath(folder));
        f.click(f.button("ButtonOK"));
        QTRY_VERIFY(!f.editor->isVisible());
        QCOMPARE(f.editor->result(), int(QDialog::Accepted));
        QCOMPARE(hrefs(list), (QStringList{clips[1], clips[0]}));
    }
};

int main(int argc, char** argv)
{
    // A private home, so that the trash the tests fill is theirs; set before GLib first looks.
    QTemporaryDir home;
    if (!home.isValid())
        return 1;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/data")).toLocal8Bit());
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    TestEditor test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_editor.moc"
