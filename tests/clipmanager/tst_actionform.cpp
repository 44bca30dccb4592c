// The clip manager window on real files, the real trash and scripted prompts.
#include "support/RecordingMedia.h"
#include "support/RecordingServices.h"
#include "support/ScriptedPrompts.h"
#include "support/ShellRunLog.h"
#include "support/TrashList.h"

#include "clipmanager/ActionFormU.h"
#include "common/SharedState.h"
#include "platform/Services.h"
#include "playlist/CCFuncs.h"
#include "playlist/Playlists.h"
#include "ui_ActionFormU.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

QStringList trashListed()
{
    return trashListPaths();
}

QStringList readList(const QString& playlist)
{
    StringList list;
    Playlists::read(playlist, list);
    return list.items();
}

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList texts(QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out.append(list->item(i)->text());
    return out;
}

} // namespace

class TestActionForm : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir* m_tmp = nullptr;
    QString m_clips, m_app;
    SharedState S;
    ScriptedPrompts prompts;
    RecordingServices system;
    RecordingMedia media;
    Services services{prompts, system, media};

    QString clip(const QString& name) const { return m_clips + u'/' + name; }
    QString folder(const QString& name) const
    {
        const QString p = m_tmp->filePath(name);
        QDir().mkpath(p);
        return p;
    }
    // The three marked clips a, b, c, in marking order.
    void markClips(const QStringList& names = {"a.mpg", "b.mpg", "c.mpg"})
    {
        S.LeftBox.clear();
        S.PathLeft.clear();
        for (const QString& n : names) {
            S.LeftBox.add(n);
            S.PathLeft.add(clip(n));
        }
    }
    void moveToActionBox(TActionForm& f, const QList<int>& rows)
    {
        f.form()->LeftBox->clearSelection();
        for (int r : rows)
            f.form()->LeftBox->item(r)->setSelected(true);
        QTest::mouseClick(f.form()->FillButton, Qt::LeftButton);
    }
    void go(TActionForm& f) { QTest::mouseClick(f.form()->GoButton, Qt::LeftButton); }

private Q_SLOTS:
    void init()
    {
        m_tmp = new QTemporaryDir;
        m_clips = folder(QStringLiteral("Clips"));
        m_app = folder(QStringLiteral("app")) + u'/';
        for (const char* n : {"a.mpg", "b.mpg", "c.mpg"}) {
            QFile f(clip(QLatin1String(n)));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray("clip ") + n);
        }
        S = SharedState{};
        S.AppDir = m_app;
        S.ClipDir = m_clips;
        markClips();
        prompts.clear();
        prompts.onFolder = nullptr;
    }
    void cleanup()
    {
        QVERIFY2(prompts.allUsed(), "a scripted answer was not used");
        delete m_tmp;
    }

    void lookAndSettings()
    {
        TActionForm f(S, services);
        auto* ui = f.form();
        QCOMPARE(f.windowTitle(), QStringLiteral("Vidmarro - Media File Manager"));
        QVERIFY(!(f.windowFlags() & Qt::WindowCloseButtonHint));
        QVERIFY(!(f.windowFlags() & Qt::WindowMinMaxButtonsHint));
        QCOMPARE(f.size(), QSize(457, 344));
        QCOMPARE(ui->RadioGroup1->title(), QStringLiteral(" Choose Action "));
        const QStringList items = {ui->RadioItem0->text(), ui->RadioItem1->text(), ui->RadioItem2->text(),
                                   ui->RadioItem3->text(), ui->RadioItem4->text()};
        QCOMPARE(items, QStringList({"Delete C;lip", "Copy  to another folder", "Move to another folder",
                                     "Add to existing playlist", "Add to new playlist"}));
        QCOMPARE(f.actionIndex(), 0);
        QCOMPARE(ui->MemoAction->toPlainText().split(u'\n'),
                 QStringList({"Confirm by selecting and moving clips to the ",
                              "right-hand Action Box. The simplest way to move ",
                              "all clips is to click on Select All, and then click on ",
                              "the right arrow button.  After the Action Box has ",
                              "your choice of clips, Choose Action you wish to ", "perform.",
                              "Finally, click the Go! button.  "}));
        QVERIFY(ui->MemoAction->isReadOnly());
        QCOMPARE(ui->GoButton->text(), QStringLiteral("Go!"));
        QCOMPARE(ui->Shape1->geometry(), ui->GoButton->geometry());
        QVERIFY(!ui->Shape1->isEnabled());
        QCOMPARE(ui->ABoxLabel->text(), QStringLiteral("Action Box"));
        QCOMPARE(ui->FillButton->text(), QStringLiteral("-->"));
        QCOMPARE(ui->EmptyButton->text(), QStringLiteral("<--"));
        QCOMPARE(ui->SelectButton->text(), QStringLiteral("Select All"));
        QCOMPARE(ui->UnSelButton->text(), QStringLiteral("Clear All"));
        QCOMPARE(ui->CloseButton->text(), QStringLiteral("&Close"));

        QVERIFY(f.ShellFileOp1.FilesOnly && !f.ShellFileOp1.NoConfirmation && !f.ShellFileOp1.AutoMakeDir);
        QVERIFY(!f.ShellFileOp1.RenameOnCollision && f.ShellFileOp1.Animate);
        QCOMPARE(f.ShellFileOp1.ProgressTitle, QStringLiteral("Vidmarro"));
        QCOMPARE(f.PBFolderDialog1.Flags,
                 unsigned(TPBFolderDialog::OnlyFileSystem | TPBFolderDialog::ShowPath));
        QCOMPARE(f.PBFolderDialog1.LabelCaptions().first(),
                 QStringLiteral("Default=Browse to DESTINATION folder:"));
        QCOMPARE(f.PBFolderDialog1.NewFolderCaptions().size(), 6);
        QCOMPARE(f.OpenDialog1.title, QStringLiteral("Playlist for Adding Clips"));
        QCOMPARE(f.SaveDialog1.title, QStringLiteral("Name for New Playlist  (don't enter extension)"));
        QCOMPARE(f.SaveDialog1.defaultSuffix, QStringLiteral("asx"));

        // FormCreate: the marked clips on the left, none selected, the browser at the first one's folder.
        QCOMPARE(texts(ui->LeftBox), QStringList({"a.mpg", "b.mpg", "c.mpg"}));
        QCOMPARE(f.PathLeft, QStringList({clip("a.mpg"), clip("b.mpg"), clip("c.mpg")}));
        QVERIFY(ui->LeftBox->selectedItems().isEmpty());
        QCOMPARE(ui->RightBox->count(), 0);
        QCOMPARE(f.PBFolderDialog1.Folder, m_clips);
    }

    void selectionAndArrows()
    {
        TActionForm f(S, services);
        auto* ui = f.form();
        QTest::mouseClick(ui->SelectButton, Qt::LeftButton);
        QCOMPARE(ui->LeftBox->selectedItems().size(), 3);
        QTest::mouseClick(ui->UnSelButton, Qt::LeftButton);
        QCOMPARE(ui->LeftBox->selectedItems().size(), 0);
        QTest::mouseClick(ui->FillButton, Qt::LeftButton); // nothing selected: nothing moves
        QCOMPARE(ui->RightBox->count(), 0);

        // Select All then "-->" reverses the order.
        QTest::mouseClick(ui->SelectButton, Qt::LeftButton);
        QTest::mouseClick(ui->FillButton, Qt::LeftButton);
        QCOMPARE(texts(ui->RightBox), QStringList({"c.mpg", "b.mpg", "a.mpg"}));
        QCOMPARE(f.PathRight, QStringList({clip("c.mpg"), clip("b.mpg"), clip("a.mpg")}));
        QVERIFY(f.PathLeft.isEmpty());

        // "<--" brings the selected ones back, bottom first, paths alongside.
        ui->RightBox->item(0)->setSelected(true);
        ui->RightBox->item(2)->setSelected(true);
        QTest::mouseClick(ui->EmptyButton, Qt::LeftButton);
        QCOMPARE(texts(ui->LeftBox), QStringList({"a.mpg", "c.mpg"}));
        QCOMPARE(f.PathLeft, QStringList({clip("a.mpg"), clip("c.mpg")}));
        QCOMPARE(f.PathRight, QStringList({clip("b.mpg")}));
    }

    void emptyActionBox()
    {
        TActionForm f(S, services);
        f.show();
        go(f);
        QCOMPARE(prompts.boxes().size(), 1);
        QCOMPARE(prompts.boxes().first().text,
                 QStringLiteral("ERROR: no files have been put in right-hand \"Action Box\""));
        QCOMPARE(prompts.boxes().first().caption, QStringLiteral("Vidmarro"));
        QCOMPARE(prompts.boxes().first().buttons, QMessageBox::Ok);
        QVERIFY(f.isVisible());
    }

    void deleteToTheTrash()
    {
        TActionForm f(S, services);
        f.show();
        QTest::mouseClick(f.form()->SelectButton, Qt::LeftButton);
        QTest::mouseClick(f.form()->FillButton, Qt::LeftButton);
        prompts.answerBox(QMessageBox::Yes); // the shell's own question
        go(f);
        QCOMPARE(prompts.boxes().size(), 1);
        QCOMPARE(prompts.boxes().first().text,
                 QStringLiteral("Are you sure you want to move these 3 items to the trash?"));
        QCOMPARE(f.form()->RightBox->count(), 0);
        QVERIFY(QDir(m_clips).isEmpty());
        QTRY_VERIFY(!f.isVisible());
        QCOMPARE(f.result(), int(QDialog::Accepted));
        const QStringList listed = trashListed();
        if (QStandardPaths::findExecutable(QStringLiteral("trash-list")).isEmpty())
            QSKIP("trash-list (trash-cli) is not installed");
        for (const char* n : {"a.mpg", "b.mpg", "c.mpg"})
            QVERIFY(listed.contains(clip(QLatin1String(n))));
    }

    void declinedDeleteStillEmptiesTheBox()
    {
        TActionForm f(S, services);
        f.show();
        moveToActionBox(f, {1});
        prompts.answerBox(QMessageBox::No);
        go(f);
        QCOMPARE(f.form()->RightBox->count(), 0);
        QVERIFY(QFile::exists(clip("b.mpg")));
        QVERIFY(f.isVisible()); // clips remain on the left
    }

    void copyAndMove()
    {
        const QString dest = folder(QStringLiteral("Backup"));
        TActionForm f(S, services);
        f.show();
        moveToActionBox(f, {0, 1});
        f.setActionIndex(1);
        prompts.answerFolder(dest);
        prompts.answerBox(QMessageBox::Ok);
        go(f);
        QCOMPARE(prompts.boxTexts(),
                 QStringList({QStringLiteral("Ready to COPY clips from %1 to %2").arg(m_clips, dest)}));
        QCOMPARE(prompts.boxes().first().caption, QStringLiteral("Confirm"));
        QCOMPARE(prompts.boxes().first().buttons, QMessageBox::Ok | QMessageBox::Cancel);
        QCOMPARE(QDir(dest).entryList(QDir::Files), QStringList({"a.mpg", "b.mpg"}));
        QVERIFY(QFile::exists(clip("a.mpg")));
        QCOMPARE(f.form()->RightBox->count(), 0);
        QVERIFY(f.isVisible());

        // One clip: " clip "; the move empties the left list, so the window closes.
        prompts.clear();
        const QString moved = folder(QStringLiteral("Moved"));
        moveToActionBox(f, {0});
        f.setActionIndex(2);
        prompts.answerFolder(moved);
        prompts.answerBox(QMessageBox::Ok);
        go(f);
        QCOMPARE(prompts.boxTexts(),
                 QStringList({QStringLiteral("Ready to MOVE clip from %1 to %2").arg(m_clips, moved)}));
        QVERIFY(QFile::exists(moved + "/c.mpg"));
        QVERIFY(!QFile::exists(clip("c.mpg")));
        QTRY_VERIFY(!f.isVisible());
    }

    void copyStopsWithoutChange_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("same folder, other letter case") << "samefolder";
        QTest::newRow("folder dialog cancelled") << "cancelfolder";
        QTest::newRow("confirmation cancelled") << "cancelconfirm";
    }
    void copyStopsWithoutChange()
    {
        QFETCH(QString, how);
        TActionForm f(S, services);
        ShellRunLog shellRuns(f.ShellFileOp1);
        f.show();
        moveToActionBox(f, {2});
        f.setActionIndex(1);
        if (how == "samefolder") {
            prompts.answerFolder(m_clips.toUpper());
        } else if (how == "cancelfolder") {
            prompts.answerFolder(QString());
        } else {
            prompts.answerFolder(folder(QStringLiteral("Elsewhere")));
            prompts.answerBox(QMessageBox::Cancel);
        }
        go(f);
        if (how == "samefolder") {
            QCOMPARE(prompts.boxes().size(), 1);
            QCOMPARE(prompts.boxes().first().caption, QStringLiteral("Error"));
            QCOMPARE(prompts.boxes().first().text,
                     QStringLiteral("Source and destination directories can NOT be the same"));
            QCOMPARE(prompts.boxes().first().buttons, QMessageBox::Ok);
        }
        QCOMPARE(texts(f.form()->RightBox), QStringList({"c.mpg"}));
        QCOMPARE(f.PathRight, QStringList({clip("c.mpg")}));
        QCOMPARE(shellRuns.runs(), 0);
        QCOMPARE(QDir(m_clips).entryList(QDir::Files).size(), 3);
        QVERIFY(f.isVisible());
    }

    void destinationInsideTheClipsFolderIsAccepted()
    {
        const QString inner = folder(QStringLiteral("Clips/Keep"));
        TActionForm f(S, services);
        f.show();
        moveToActionBox(f, {0});
        f.setActionIndex(1);
        prompts.answerFolder(inner);
        prompts.answerBox(QMessageBox::Ok);
        go(f);
        QVERIFY(QFile::exists(inner + "/a.mpg"));
    }

    // A playlist of another program stays in its own format.
    void addToExistingPlaylist_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("starts");
        QTest::newRow("asx") << "list.asx" << QByteArray("<ASX VERSION=\"3.0\">\r\n");
        QTest::newRow("m3u") << "list.m3u" << QByteArray("#EXTM3U");
        QTest::newRow("pls") << "list.pls" << QByteArray("[playlist]");
        QTest::newRow("xspf") << "list.xspf" << QByteArray("<?xml");
    }
    void addToExistingPlaylist()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, starts);
        // The playlist lists B.mpg (b.mpg in another letter case), z.mpg and a clip that is gone.
        for (const char* n : {"B.mpg", "z.mpg"}) {
            QFile file(clip(QLatin1String(n)));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        const QString playlist = m_tmp->filePath(name);
        Playlists::write({clip("z.mpg"), clip("B.mpg"), clip("gone.mpg")}, playlist);

        TActionForm f(S, services);
        f.show();
        moveToActionBox(f, {0, 1});
        f.setActionIndex(3);
        prompts.answerFiles({playlist});
        go(f);
        const auto file = prompts.asked.first().file;
        QCOMPARE(file.title, QStringLiteral("Playlist for Adding Clips"));
        QCOMPARE(file.initialDir, m_app);
        QCOMPARE(readList(playlist), QStringList({clip("a.mpg"), clip("B.mpg"), clip("z.mpg")}));
        QCOMPARE(S.AllBox.items(), readList(playlist));
        QVERIFY(readBytes(playlist).startsWith(starts));
        QVERIFY(S.AllBox.sorted());
        QCOMPARE(f.form()->RightBox->count(), 0);
        QVERIFY(f.isVisible());

        // A cancelled playlist dialog with an empty left list still closes the window.
        moveToActionBox(f, {0});
        prompts.answerFiles({});
        go(f);
        QCOMPARE(readList(playlist).size(), 3);
        QTRY_VERIFY(!f.isVisible());
    }

    void addToNewPlaylist()
    {
        const QString playlist = m_tmp->filePath("new.asx");
        QFile old(playlist);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old contents");
        old.close();

        TActionForm f(S, services);
        f.show();
        moveToActionBox(f, {0, 2});
        f.setActionIndex(4);
        // The overwrite question: Cancel writes nothing and keeps everything.
        prompts.answerFiles({playlist});
        prompts.answerBox(QMessageBox::Cancel);
        go(f);
        QCOMPARE(prompts.boxTexts(),
                 QStringList({"Playlist with that name already exists!\rOK to overwrite?"}));
        QCOMPARE(prompts.boxes().first().caption, QStringLiteral("Confirm"));
        QCOMPARE(prompts.boxes().first().buttons, QMessageBox::Ok | QMessageBox::Cancel);
        QCOMPARE(prompts.asked.first().file.title,
                 QStringLiteral("Name for New Playlist  (don't enter extension)"));
        QCOMPARE(prompts.asked.first().file.initialDir, m_app);
        QCOMPARE(QFile(playlist).size(), qint64(12));
        QCOMPARE(f.PathRight.size(), 2);

        // OK writes the Action Box's clips sorted; the Action Box stays filled, the window open.
        prompts.clear();
        prompts.answerFiles({playlist});
        prompts.answerBox(QMessageBox::Ok);
        go(f);
        QCOMPARE(readList(playlist), QStringList({clip("a.mpg"), clip("c.mpg")}));
        QCOMPARE(texts(f.form()->RightBox), QStringList({"c.mpg", "a.mpg"}));
        QVERIFY(f.isVisible());

        // The same clips again, to a second playlist.
        prompts.clear();
        const QString second = m_tmp->filePath("second.asx");
        prompts.answerFiles({second});
        go(f);
        QCOMPARE(readList(second), QStringList({clip("a.mpg"), clip("c.mpg")}));
        QVERIFY(f.isVisible());
    }

    void playlistFailureIsShown()
    {
        TActionForm f(S, services);
        f.show();
        moveToActionBox(f, {0});
        f.setActionIndex(3);
        prompts.answerFiles({m_tmp->filePath("no-such.asx")});
        go(f);
        QCOMPARE(prompts.boxes().size(), 1);
        QCOMPARE(prompts.boxes().first().icon, QMessageBox::Critical);
        QCOMPARE(prompts.boxes().first().caption, QStringLiteral("Vidmarro"));
        QVERIFY(f.isVisible());
    }

    void failedAddKeepsTheActionBox()
    {
        // The writer refuses a name with a quote, after the playlist has been read: the clip must
        // still be in the Action Box, and the playlist as it was.
        QFile quoted(clip(QStringLiteral("say \"hi\".mpg")));
        QVERIFY(quoted.open(QIODevice::WriteOnly));
        quoted.close();
        markClips({"say \"hi\".mpg", "a.mpg"});
        const QString playlist = m_tmp->filePath("list.asx");
        CCFuncs::WritePlaylist({clip("b.mpg")}, playlist);
        const QByteArray before = readBytes(playlist);

        TActionForm f(S, services);
        f.show();
        moveToActionBox(f, {0, 1});
        f.setActionIndex(3);
        prompts.answerFiles({playlist});
        go(f);
        QCOMPARE(prompts.boxes().size(), 1);
        QCOMPARE(prompts.boxes().first().icon, QMessageBox::Critical);
        QCOMPARE(f.PathRight.size(), 2);
        QCOMPARE(f.form()->RightBox->count(), 2);
        QCOMPARE(readBytes(playlist), before);
        QVERIFY(f.isVisible());
    }

    void closeButton()
    {
        TActionForm f(S, services);
        f.show();
        QTest::mouseClick(f.form()->CloseButton, Qt::LeftButton);
        QTRY_VERIFY(!f.isVisible());
        QCOMPARE(f.result(), int(QDialog::Rejected));
        // The main window's lists are left as they were.
        QCOMPARE(S.LeftBox.count(), 3);
    }
};

int main(int argc, char** argv)
{
    // A private home and trash, set before GIO reads them.
    QTemporaryDir home;
    QDir().mkpath(home.path() + QStringLiteral("/data"));
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.path() + QStringLiteral("/data")));
    QApplication app(argc, argv);
    TestActionForm t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_actionform.moc"
