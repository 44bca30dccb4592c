// The folder browse dialog: path shortening, captions by language, the passes of Execute with New
// folder, and the real browser window driven with QTest.
#include "platform/files/FileFixtures.h"
#include "support/ScriptedPrompts.h"

#include "clipmanager/PBFolderDialog.h"
#include "platform/ui/FolderBrowser.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <unicode/uloc.h>

namespace {
void setLocale(const char* locale)
{
    UErrorCode status = U_ZERO_ERROR;
    uloc_setDefault(locale, &status);
}

const QStringList ClipManagerLabels = {"Default=Browse to DESTINATION folder:",
                                       "0009=Current folder:",
                                       "0406=Valgt mappe:",
                                       "0407=Mappe gewählt:",
                                       "0409=Browse to DESTINATION folder:",
                                       "0413=Huidige map"};
const QStringList ClipManagerNewFolder = {"Default=New folder", "0009=New folder", "0406=Ny mappe",
                                          "0407=Neu Mappe",     "0409=New folder", "0413=Nieuwe map"};

// Scripted boxes and input, but the real browser window.
class RealBrowserPrompts : public ScriptedPrompts
{
public:
    QString browseFolder(FolderBrowseRequest& request, QWidget* parent) override
    {
        ++passes;
        FolderBrowser browser(request, parent);
        return browser.run();
    }
    int passes = 0;
};
} // namespace

class TestFolderDialog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { setLocale("en_US"); }

    void shortening_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("sep");
        QTest::addColumn<QString>("expected");
        const QString name60 = QString(60, u'n');
        QTest::newRow("drive path")
            << R"(C:\Documents and Settings\User\My Documents\Videos\Holiday 2001\Clips)"
            << "\\"
            << R"(C:\...\User\My Documents\Videos\Holiday 2001\Clips)";
        QTest::newRow("network path")
            << R"(\\server\share\very long folder name number one\another long folder\clips)"
            << "\\"
            << R"(\\server\...\another long folder\clips)";
        QTest::newRow("long last name") << QStringLiteral("C:\\a\\") + name60 << "\\"
                                        << QStringLiteral("C:\\...\\") + name60.left(40) + "...";
        // On Linux the root's "/" opens the path and two leading ones make a network path.
        QTest::newRow("linux path")
            << "/home/user/Documents and Settings/My Documents/Videos/Holiday 2001/Clips"
            << "/"
            << "/.../My Documents/Videos/Holiday 2001/Clips";
        QTest::newRow("linux network")
            << "//server/share/very long folder name number one/another long folder/clips"
            << "/"
            << "//server/.../another long folder/clips";
        QTest::newRow("50 shown whole") << QStringLiteral("/a/b/") + QString(45, u'x') << "/"
                                        << QStringLiteral("/a/b/") + QString(45, u'x');
        QTest::newRow("51 shortened") << QStringLiteral("/a/b/") + QString(46, u'x') << "/"
                                      << QStringLiteral("/.../") + QString(42, u'x') + "...";
        QTest::newRow("too few separators") << QStringLiteral("C:\\") + QString(60, u'y') << "\\"
                                            << QStringLiteral("C:\\") + QString(47, u'y');
    }
    void shortening()
    {
        QFETCH(QString, path);
        QFETCH(QString, sep);
        QFETCH(QString, expected);
        const QString got = TPBFolderDialog::ShortenPath(path, 50, sep.at(0));
        QCOMPARE(got, expected);
        QVERIFY(got.size() <= 50);
    }

    void languageKeyAndCaptions_data()
    {
        QTest::addColumn<QByteArray>("locale");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("button");
        QTest::newRow("en_US") << QByteArray("en_US") << "0409"
                               << "Browse to DESTINATION folder:"
                               << "New folder";
        QTest::newRow("fr_FR, in neither list") << QByteArray("fr_FR") << "040C"
                                                << "Browse to DESTINATION folder:"
                                                << "New folder";
        QTest::newRow("en") << QByteArray("en") << "0009"
                            << "Current folder:"
                            << "New folder";
        QTest::newRow("de_DE") << QByteArray("de_DE") << "0407"
                               << "Mappe gewählt:"
                               << "Neu Mappe";
        QTest::newRow("nl_NL") << QByteArray("nl_NL") << "0413"
                               << "Huidige map"
                               << "Nieuwe map";
    }
    void languageKeyAndCaptions()
    {
        QFETCH(QByteArray, locale);
        QFETCH(QString, key);
        QFETCH(QString, title);
        QFETCH(QString, button);
        UErrorCode status = U_ZERO_ERROR;
        uloc_setDefault(locale.constData(), &status);
        QVERIFY(U_SUCCESS(status));
        ScriptedPrompts prompts;
        TPBFolderDialog d(prompts);
        QCOMPARE(d.languageKey(), key);
        d.setLabelCaptions(ClipManagerLabels);
        d.setNewFolderCaptions(ClipManagerNewFolder);
        QCOMPARE(d.titleText(), title);
        QCOMPARE(d.newFolderCaption(), button);
    }

    void captionRules()
    {
        QCOMPARE(TPBFolderDialog::chooseCaption({}, "0409"), QString());
        QCOMPARE(TPBFolderDialog::chooseCaption({"0407=de", "0409=en"}, "040C"),
                 QStringLiteral("de")); // first entry
        QCOMPARE(TPBFolderDialog::chooseCaption({"0407=de", "default=any"}, "040C"), QStringLiteral("any"));
        QCOMPARE(TPBFolderDialog::chooseCaption({"Default=any", "0409=a=b"}, "0409"), QStringLiteral("a=b"));
        // The default lists, and an equal list chooses nothing again.
        ScriptedPrompts prompts;
        setLocale("en_US");
        TPBFolderDialog d(prompts);
        QCOMPARE(d.titleText(), QStringLiteral("Current folder:"));
        const int choices = d.captionChoices();
        d.setLabelCaptions(d.LabelCaptions());
        QCOMPARE(d.captionChoices(), choices);
        d.setLabelCaptions(ClipManagerLabels);
        QCOMPARE(d.captionChoices(), choices + 1);

        // The plain properties.
        QCOMPARE(d.NewFolderWidth(), 75);
        d.setNewFolderWidth(0);
        QCOMPARE(d.NewFolderWidth(), 75);
        d.setNewFolderWidth(-3);
        QCOMPARE(d.NewFolderWidth(), 75);
        d.setNewFolderWidth(90);
        QCOMPARE(d.NewFolderWidth(), 90);
        d.setVersion("2.0");
        QCOMPARE(d.Version(), QStringLiteral("1.30.00.00"));
        QCOMPARE(d.Flags, unsigned(TPBFolderDialog::ShowPath));
        QCOMPARE(d.RootFolder, TPBFolderDialog::foDesktopExpanded);
        QCOMPARE(TPBFolderDialog::rootPath(TPBFolderDialog::foMyComputer), QStringLiteral("/"));
        QCOMPARE(TPBFolderDialog::rootPath(TPBFolderDialog::foNetwork), QString());
    }

    void executePassesWithNewFolder()
    {
        QTemporaryDir tmp;
        const QString video = tmp.filePath("Video");
        QDir().mkpath(video);
        ScriptedPrompts prompts;
        TPBFolderDialog d(prompts);
        d.Flags = TPBFolderDialog::OnlyFileSystem | TPBFolderDialog::ShowPath;
        d.setLabelCaptions(ClipManagerLabels);
        d.Folder = video;

        // First pass: the selection is the video folder; New folder makes every inner level.
        int pass = 0;
        FolderBrowseState state;
        FolderBrowseState none;
        prompts.onFolder = [&](FolderBrowseRequest& r) {
            if (++pass == 1) {
                QCOMPARE(r.initialFolder, video);
                QCOMPARE(r.title, QStringLiteral("Browse to DESTINATION folder:"));
                QVERIFY(r.onlyFileSystem && r.showPath); // the flags the caller asked for
                none = r.selectionChanged(QString());
                state = r.selectionChanged(video);
                QVERIFY(r.newFolderClicked());
            } else {
                QCOMPARE(r.initialFolder, video + "/Clips 2/a/b");
            }
        };
        prompts.answerInput(QStringLiteral("Clips 2/a/b/"));
        prompts.answerFolder(QString()); // the browser closes for the restart
        prompts.answerFolder(QString()); // then the user cancels
        QCOMPARE(d.Execute(), false);
        QCOMPARE(pass, 2);
        QVERIFY(QDir(video + "/Clips 2/a/b").exists());
        QCOMPARE(d.Folder, video + "/Clips 2/a/b");
        // A selection without a path: no OK, no New folder, no status.
        QCOMPARE(none.okEnabled, false);
        QCOMPARE(none.newFolderEnabled, false);
        QCOMPARE(none.status, QString());
        QCOMPARE(state.okEnabled, true);
        QCOMPARE(state.newFolderEnabled, true);
        QCOMPARE(state.status, TPBFolderDialog::ShortenPath(video, 50, u'/'));
        const auto input = std::find_if(prompts.asked.begin(), prompts.asked.end(), [](const auto& a) {
            return a.kind == ScriptedPrompts::Asked::Input;
        });
        QVERIFY(input != prompts.asked.end());
        QCOMPARE(input->caption, QStringLiteral("New folder"));
        QCOMPARE(input->prompt, QString());

        // An empty name or a cancelled box does nothing; a confirmed choice lands in Folder.
        prompts.clear();
        prompts.onFolder = [&](FolderBrowseRequest& r) { QVERIFY(!r.newFolderClicked()); };
        prompts.answerInput(QString());
        prompts.answerFolder(tmp.path());
        QCOMPARE(d.Execute(), true);
        QCOMPARE(d.Folder, tmp.path());
        QCOMPARE(prompts.asked.size(), 2);
    }

    void theRealBrowser()
    {
        QTemporaryDir tmp;
        const QString deep = tmp.filePath("a rather long folder name/with another level/and one more");
        QDir().mkpath(deep);
        RealBrowserPrompts prompts;
        QWidget owner;
        TPBFolderDialog d(prompts, &owner);
        d.Flags = TPBFolderDialog::OnlyFileSystem | TPBFolderDialog::ShowPath;
        d.setLabelCaptions(ClipManagerLabels);
        d.Folder = deep;
        QWidget* initializedWith = nullptr;
        QStringList selections;
        d.OnInitialized = [&](TPBFolderDialog*, QWidget* w) { initializedWith = w; };
        d.OnSelectionChanged = [&](TPBFolderDialog*, QWidget*, const QString& folder) {
            selections.append(folder);
        };

        QString status1, status2, title, selected2;
        bool okEnabled = false;
        QPoint pos, expectedPos;
        prompts.answerInput(QStringLiteral("made/inner"));
        QTimer::singleShot(0, this, [&] {
            auto* b = qobject_cast<FolderBrowser*>(QApplication::activeModalWidget());
            QVERIFY(b);
            status1 = b->statusLabel()->text();
            title = b->findChild<QLabel*>("TitleLabel")->text();
            okEnabled = b->okButton()->isEnabled();
            const QRect screen = b->screen()->geometry();
            pos = b->pos();
            expectedPos = QPoint(screen.width() / 2 - b->frameGeometry().width() / 2,
                                 screen.height() / 2 - b->frameGeometry().height() / 2);
            QCOMPARE(b->newFolderButton()->text(), QStringLiteral("New folder"));
            QCOMPARE(b->newFolderButton()->width(), 75);
            // New folder closes this pass; the next one opens on the new folder.
            QTimer::singleShot(0, this, [&] {
                auto* b2 = qobject_cast<FolderBrowser*>(QApplication::activeModalWidget());
                QVERIFY(b2);
                status2 = b2->statusLabel()->text();
                selected2 = b2->currentPath();
                QTest::mouseClick(b2->okButton(), Qt::LeftButton);
            });
            QTest::mouseClick(b->newFolderButton(), Qt::LeftButton);
        });
        QCOMPARE(d.Execute(), true);
        QCOMPARE(prompts.passes, 2);
        QCOMPARE(title, QStringLiteral("Browse to DESTINATION folder:"));
        QCOMPARE(status1, TPBFolderDialog::ShortenPath(deep, 50, u'/'));
        QVERIFY(status1.size() <= 50 && status1.endsWith("and one more"));
        QVERIFY(okEnabled);
        QCOMPARE(pos, expectedPos);
        QVERIFY(initializedWith != nullptr);
        QCOMPARE(selected2, deep + "/made/inner");
        QCOMPARE(status2, TPBFolderDialog::ShortenPath(deep + "/made/inner", 50, u'/'));
        QCOMPARE(d.Folder, deep + "/made/inner");
        QVERIFY(selections.contains(deep));
        QCOMPARE(selections.last(), deep + "/made/inner");

        // While the browser is open the button follows the properties at once; Cancel returns
        // false and keeps Folder.
        bool visibleAfter = true, enabledAfter = true;
        QTimer::singleShot(0, this, [&] {
            auto* b = qobject_cast<FolderBrowser*>(QApplication::activeModalWidget());
            QVERIFY(b);
            d.setNewFolderVisible(false);
            visibleAfter = b->newFolderButton()->isVisible();
            d.setNewFolderVisible(true);
            d.setNewFolderEnabled(false);
            enabledAfter = b->newFolderButton()->isEnabled();
            QTest::mouseClick(b->findChild<QPushButton*>("CancelButton"), Qt::LeftButton);
        });
        QCOMPARE(d.Execute(), false);
        QVERIFY(!visibleAfter);
        QVERIFY(!enabledAfter);
        QCOMPARE(d.Folder, deep + "/made/inner");

        // A Folder that is gone selects nothing, and nothing has no path: OK waits for a choice.
        d.Folder = tmp.filePath("gone");
        bool okAtOpening = true, okAfterChoice = false;
        QTimer::singleShot(0, this, [&] {
            auto* b = qobject_cast<FolderBrowser*>(QApplication::activeModalWidget());
            QVERIFY(b);
            okAtOpening = b->okButton()->isEnabled();
            b->selectPath(deep);
            okAfterChoice = b->okButton()->isEnabled();
            QTest::mouseClick(b->okButton(), Qt::LeftButton);
        });
        QCOMPARE(d.Execute(), true);
        QVERIFY(!okAtOpening);
        QVERIFY(okAfterChoice);
        QCOMPARE(d.Folder, deep);
    }
};

QTEST_MAIN(TestFolderDialog)
#include "tst_folderdialog.moc"
