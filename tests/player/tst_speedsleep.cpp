// The speed and sleep-timer dialogs, shown from a real player window as the user opens them.
#include "PlayerKit.h"
#include "support/RecordingMedia.h"
#include "support/RecordingServices.h"
#include "support/ScriptedPrompts.h"

#include "common/SharedState.h"
#include "platform/Services.h"
#include "platform/media/MediaPlayerControl.h"
#include "platform/ui/QtPrompts.h"
#include "player/PlayerDialogs.h"
#include "player/SleepU.h"
#include "player/Speed.h"
#include "player/WplayerU2.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <memory>

class TestSpeedSleep : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    ScriptedPrompts m_prompts;
    RecordingServices m_system;
    RecordingMedia m_media{PlayerKit::engine()};
    Services m_services{m_prompts, m_system, m_media};
    SharedState S;
    std::unique_ptr<TSleepF> m_sleep;
    std::unique_ptr<TSpeedF> m_speed;
    std::unique_ptr<RunDialogs> m_dialogs;
    std::unique_ptr<TWplayerF2> m_player;

    template <class T> static T* child(QWidget& w, const QString& name)
    {
        T* c = w.findChild<T*>(name);
        if (!c)
            qFatal("no control %s", qPrintable(name));
        return c;
    }

    // Opens the dialog through its check box; while it is up, checks what it shows, picks `index`
    // (or keeps the selection when negative) and leaves it by `button` or by `key`.
    void answer(const char* cls, QCheckBox* box, int index, const char* button, int* shownIndex = nullptr,
                Qt::Key key = Qt::Key_unknown)
    {
        bool seen = false;
        const QString prefix =
            QString::fromLatin1(qstrcmp(cls, "TSpeedF") == 0 ? "RadioGroup1Item" : "SleepTimerItem");
        PlayerKit::onModal(cls, [&](QWidget& dlg) {
            seen = true;
            if (shownIndex) {
                *shownIndex = -1;
                for (int i = 0; i < 13; ++i) {
                    auto* r = dlg.findChild<QRadioButton*>(prefix + QString::number(i));
                    if (r && r->isChecked())
                        *shownIndex = i;
                }
            }
            if (index >= 0)
                QTest::mouseClick(child<QRadioButton>(dlg, prefix + QString::number(index)), Qt::LeftButton);
            if (key != Qt::Key_unknown)
                QTest::keyClick(&dlg, key);
            else
                QTest::mouseClick(child<QPushButton>(dlg, QString::fromLatin1(button)), Qt::LeftButton);
        });
        box->setChecked(true);
        QVERIFY(seen);
    }

    // Set VIDMARRO_SHOTS to a folder to keep pictures of the dialogs for a look.
    static void shot(QWidget& w, const QString& name)
    {
        const QString dir = qEnvironmentVariable("VIDMARRO_SHOTS");
        if (!dir.isEmpty())
            w.grab().save(dir + QLatin1Char('/') + name + QStringLiteral(".png"));
    }

private Q_SLOTS:
    void initTestCase()
    {
        // Made once, as at start-up: the sleep dialog first, then the speed dialog.
        m_sleep = std::make_unique<TSleepF>(S);
        m_speed = std::make_unique<TSpeedF>(m_prompts);
        m_dialogs = std::make_unique<RunDialogs>(*m_sleep, *m_speed);
    }

    void init()
    {
        S.AllBox.assign(
            PlayerKit::makeClips(m_dir.path(), {QStringLiteral("a.wav"), QStringLiteral("b.wav")}));
        S.PlaylistPath = m_dir.filePath(QStringLiteral("playlist.tmp"));
        S.ShutdownPending = false;
        m_player = std::make_unique<TWplayerF2>(S, m_services, m_dialogs.get());
        m_player->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_player.get()));
    }

    void cleanup() { m_player.reset(); }

    void speedDialogAsDesigned()
    {
        TSpeedF& d = *m_speed;
        shot(d, QStringLiteral("speed"));
        QCOMPARE(d.windowTitle(), QStringLiteral("Vidmarro - Playback Speed"));
        QCOMPARE(child<QGroupBox>(d, QStringLiteral("RadioGroup1"))->title(),
                 QStringLiteral("  Playback Speed  "));
        const QStringList items = {QStringLiteral("Normal (1.0)"), QStringLiteral("Fifth (0.2)"),
                                   QStringLiteral("Half  (0.5)"), QStringLiteral("Fast (1.5)"),
                                   QStringLiteral("Double (2.0)")};
        int y = -1;
        for (int i = 0; i < items.size(); ++i) {
            auto* r = child<QRadioButton>(d, QStringLiteral("RadioGroup1Item%1").arg(i));
            QCOMPARE(r->text(), items[i]);
            if (y >= 0)
                QCOMPARE(r->y(), y); // five columns, one row
            y = r->y();
        }
        QCOMPARE(child<QPlainTextEdit>(d, QStringLiteral("ColorMemo1"))->toPlainText(),
                 QStringLiteral("Note:  Audio becomes difficult to understand at rates lower than 0.5 \nor "
                                "higher than 1.5."));
        QCOMPARE(child<QPushButton>(d, QStringLiteral("BitBtn1"))->text(), QStringLiteral("OK"));
        QVERIFY(child<QPushButton>(d, QStringLiteral("BitBtn1"))->isDefault());
        QCOMPARE(child<QPushButton>(d, QStringLiteral("BitBtn2"))->text(), QStringLiteral("Cancel"));
        QCOMPARE(TSpeedF::rateAt(2), 0.5);
    }

    void speedChoices()
    {
        MediaPlayerControl* c = m_player->WMTPlayer1;
        int shown = -1;
        answer("TSpeedF", m_player->CheckBox3, 4, "BitBtn1", &shown);
        QCOMPARE(shown, 0); // the first showing of the run starts at "Normal (1.0)"
        QCOMPARE(c->Rate(), 2.0);
        QVERIFY(m_player->CheckBox3->isChecked());

        // Unchecking Speed resets the rate; the dialog still shows its last choice.
        m_player->CheckBox3->setChecked(false);
        QCOMPARE(c->Rate(), 1.0);
        answer("TSpeedF", m_player->CheckBox3, 1, "BitBtn2", &shown);
        QCOMPARE(shown, 4);
        QCOMPARE(c->Rate(), 1.0); // Cancel applies nothing
        QVERIFY(m_player->CheckBox3->isChecked());

        m_player->CheckBox3->setChecked(false);
        answer("TSpeedF", m_player->CheckBox3, 0, "BitBtn1", &shown);
        QCOMPARE(shown, 1); // the cancelled choice is shown all the same
        QCOMPARE(c->Rate(), 1.0);
        QVERIFY(!m_player->CheckBox3->isChecked());

        // Enter is OK, Esc is Cancel.
        answer("TSpeedF", m_player->CheckBox3, 3, nullptr, nullptr, Qt::Key_Return);
        QCOMPARE(c->Rate(), 1.5);
        m_player->CheckBox3->setChecked(false);
        answer("TSpeedF", m_player->CheckBox3, 2, nullptr, nullptr, Qt::Key_Escape);
        QCOMPARE(c->Rate(), 1.0);
        QVERIFY(m_player->CheckBox3->isChecked());
    }

    void speedDialogSitsLevelWithThePlayer()
    {
        QScreen* screen = QGuiApplication::primaryScreen();
        for (const QPoint at : {QPoint(40, 30), QPoint(300, 200)}) {
            m_player->move(at);
            QTRY_COMPARE(m_player->frameGeometry().topLeft(), at);
            QRect placed;
            PlayerKit::onModal("TSpeedF", [&](QWidget& dlg) {
                QTRY_VERIFY(dlg.frameGeometry().bottom() == m_player->frameGeometry().bottom());
                placed = dlg.frameGeometry();
                // Moved aside by the user, then brought to the front again: level once more, and
                // the left edge stays where the user put it.
                const QPoint aside(placed.left() + 37, 5);
                dlg.move(aside);
                QTRY_COMPARE(dlg.frameGeometry().topLeft(), aside);
                QEvent activate(QEvent::WindowActivate);
                QApplication::sendEvent(&dlg, &activate);
                QTRY_COMPARE(dlg.frameGeometry().bottom(), m_player->frameGeometry().bottom());
                QCOMPARE(dlg.frameGeometry().left(), aside.x());
                QTest::mouseClick(child<QPushButton>(dlg, QStringLiteral("BitBtn2")), Qt::LeftButton);
            });
            m_player->CheckBox3->setChecked(false);
            m_player->CheckBox3->setChecked(true);
            QCOMPARE(placed.bottom(), m_player->frameGeometry().bottom());
            QVERIFY(qAbs(placed.center().x() - screen->availableGeometry().center().x()) <= 1);
        }
    }

    // Every dialog the player opens belongs to it in the window system: otherwise a compositor may
    // put it behind the player, away from the keys. The Wayland session test opens each of them too.
    void dialogsBelongToThePlayer_data()
    {
        QTest::addColumn<QString>("dialog");
        QTest::newRow("speed") << QStringLiteral("TSpeedF");
        QTest::newRow("sleep") << QStringLiteral("TSleepF");
        QTest::newRow("sound warning") << QStringLiteral("QMessageBox");
    }
    void dialogsBelongToThePlayer()
    {
        QFETCH(QString, dialog);
        // The warning comes from a player on the real prompts, without a sound card.
        QtPrompts prompts;
        RecordingMedia silent{PlayerKit::engine(false)};
        Services quiet{prompts, m_system, silent};
        std::unique_ptr<TWplayerF2> own;
        TWplayerF2* player = m_player.get();
        if (dialog == QLatin1String("QMessageBox")) {
            own = std::make_unique<TWplayerF2>(S, quiet, m_dialogs.get());
            own->show();
            QVERIFY(QTest::qWaitForWindowExposed(own.get()));
            player = own.get();
        }
        QWindow* owner = nullptr;
        bool seen = false;
        PlayerKit::onModal(qPrintable(dialog), [&](QWidget& dlg) {
            seen = true;
            owner = dlg.windowHandle() ? dlg.windowHandle()->transientParent() : nullptr;
            QTest::keyClick(&dlg, Qt::Key_Escape);
        });
        if (dialog == QLatin1String("TSpeedF"))
            player->CheckBox3->setChecked(true);
        else if (dialog == QLatin1String("TSleepF"))
            player->CheckBox4->setChecked(true);
        else
            player->GoButtonClick();
        QTRY_VERIFY(seen);
        QCOMPARE(owner, player->windowHandle());
    }

    void sleepDialogAsDesigned()
    {
        TSleepF& d = *m_sleep;
        shot(d, QStringLiteral("sleep"));
        QCOMPARE(d.windowTitle(), QStringLiteral("Vidmarro - Sleep Timer"));
        QCOMPARE(d.size(), QSize(422, 323));
        const Qt::WindowFlags f = d.windowFlags();
        QVERIFY(f.testFlag(Qt::CustomizeWindowHint));
        QVERIFY(!f.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!f.testFlag(Qt::WindowMinMaxButtonsHint));
        QVERIFY(!f.testFlag(Qt::WindowSystemMenuHint));
        QCOMPARE(child<QGroupBox>(d, QStringLiteral("SleepTimer"))->title(), QStringLiteral(" Shutdown:"));
        const QStringList items = {
            QStringLiteral("Off (don't shutdown)"),  QStringLiteral("When Playlist finishes"),
            QStringLiteral("  15 minutes"),          QStringLiteral("  30 minutes"),
            QStringLiteral("  45 minuties"),         QStringLiteral("  60 minutes (1 hour)"),
            QStringLiteral("  90 minutes"),          QStringLiteral("120 minutes (2 hours)"),
            QStringLiteral("150 minutes "),          QStringLiteral("180 minutes (3 hours)"),
            QStringLiteral("210 minutes"),           QStringLiteral("240 minutes (4 hours)"),
            QStringLiteral("1 minute (for testing)")};
        for (int i = 0; i < items.size(); ++i)
            QCOMPARE(child<QRadioButton>(d, QStringLiteral("SleepTimerItem%1").arg(i))->text(), items[i]);
        QVERIFY(!d.findChild<QRadioButton*>(QStringLiteral("SleepTimerItem13")));
        QCOMPARE(child<QPlainTextEdit>(d, QStringLiteral("Memo1"))->toPlainText().split(u'\n'),
                 QStringList({QString(),
                              QStringLiteral("This Sleep Timer will shut down your "),
                              QStringLiteral("computer and (if supported by your bios) "),
                              QStringLiteral("power it off.  Select the first item (Off) to "),
                              QStringLiteral("cancel automatic shutdown.  The next "),
                              QStringLiteral("option will cause shutdown after the Playlist "),
                              QStringLiteral("has completed."),
                              QString(),
                              QStringLiteral("The other options will schedule shutdown "),
                              QStringLiteral("after the specified period of time, or after "),
                              QStringLiteral("the Playlist is finished, whichever happens "),
                              QStringLiteral("first.  To be certain that shutdown occurs at "),
                              QStringLiteral("the specific time period specified and not "),
                              QStringLiteral("before, also select the Repeat toggle button "),
                              QStringLiteral("so that the Playlist keeps repeating."),
                              QString(),
                              QStringLiteral("If you select anything but Off, make sure "),
                              QStringLiteral("you have saved any documents that might "),
                              QStringLiteral("be open in any other application you have "),
                              QStringLiteral("running on your computer.")}));
        auto* ok = child<QPushButton>(d, QStringLiteral("BitBtn1"));
        auto* cancel = child<QPushButton>(d, QStringLiteral("BitBtn2"));
        QCOMPARE(ok->text(), QStringLiteral("OK"));
        QCOMPARE(ok->toolTip(), QStringLiteral("Apply change"));
        QVERIFY(ok->isDefault());
        QCOMPARE(cancel->text(), QStringLiteral("Cancel"));
        QCOMPARE(cancel->toolTip(), QStringLiteral("No Changes"));
    }

    void sleepChoices_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<bool>("timerOn");
        QTest::addColumn<int>("interval");
        QTest::addColumn<bool>("pending");
        QTest::newRow("1 minute (for testing)") << 12 << true << 60000 << true;
        QTest::newRow("240 minutes (4 hours)") << 11 << true << 240 * 60000 << true;
        QTest::newRow("  45 minuties") << 4 << true << 45 * 60000 << true;
        QTest::newRow("When Playlist finishes") << 1 << false << 0 << true;
        QTest::newRow("Off (don't shutdown)") << 0 << false << 0 << false;
    }

    void sleepChoices()
    {
        QFETCH(int, index);
        QFETCH(bool, timerOn);
        QFETCH(int, interval);
        QFETCH(bool, pending);
        S.ShutdownPending = !pending;
        answer("TSleepF", m_player->CheckBox4, index, "BitBtn1");
        QCOMPARE(m_player->Timer1->isActive(), timerOn);
        if (timerOn)
            QCOMPARE(m_player->Timer1->interval(), interval);
        QCOMPARE(S.ShutdownPending, pending);
        QCOMPARE(m_player->CheckBox4->isChecked(), pending);
    }

    void sleepCancelAndKeys()
    {
        int shown = -1;
        answer("TSleepF", m_player->CheckBox4, 1, "BitBtn1");
        m_player->CheckBox4->setChecked(false);
        QVERIFY(!S.ShutdownPending);
        // Cancel applies nothing; the box stays checked as the user left it.
        answer("TSleepF", m_player->CheckBox4, 6, "BitBtn2", &shown);
        QCOMPARE(shown, 1);
        QVERIFY(!S.ShutdownPending);
        QVERIFY(!m_player->Timer1->isActive());
        QVERIFY(m_player->CheckBox4->isChecked());
        // Esc is Cancel too, and the changed selection is what the next showing presents.
        m_player->CheckBox4->setChecked(false);
        answer("TSleepF", m_player->CheckBox4, -1, nullptr, &shown, Qt::Key_Escape);
        QCOMPARE(shown, 6);
        QVERIFY(!S.ShutdownPending);
        // Enter is OK.
        m_player->CheckBox4->setChecked(false);
        answer("TSleepF", m_player->CheckBox4, -1, nullptr, nullptr, Qt::Key_Return);
        QVERIFY(S.ShutdownPending);
        QCOMPARE(m_player->Timer1->interval(), 90 * 60000);
        // Unchecking Sleep cancels both.
        m_player->CheckBox4->setChecked(false);
        QVERIFY(!S.ShutdownPending);
        QVERIFY(!m_player->Timer1->isActive());
        // A window manager's minimise does not hide it, and its close request is Cancel.
        bool cameBack = false;
        PlayerKit::onModal("TSleepF", [&](QWidget& dlg) {
            QTest::mouseClick(child<QRadioButton>(dlg, QStringLiteral("SleepTimerItem2")), Qt::LeftButton);
            dlg.setWindowState(Qt::WindowMinimized);
            cameBack = QTest::qWaitFor([&] { return !dlg.isMinimized(); });
            dlg.close();
        });
        m_player->CheckBox4->setChecked(true);
        QVERIFY(cameBack);
        QVERIFY(!S.ShutdownPending);
        QVERIFY(!m_player->Timer1->isActive());
    }

    void timedSleepEndsThePlayback()
    {
        answer("TSleepF", m_player->CheckBox4, 12, "BitBtn1");
        QCOMPARE(m_player->Timer1->interval(), 60000);
        S.ShutdownPending = false;        // the timer itself must set it again
        m_player->Timer1->setInterval(1); // a minute shortened for the test
        QTRY_VERIFY(!m_player->isVisible());
        QVERIFY(S.ShutdownPending);
        // The next player starts with its boxes clear and the timer off; the dialog keeps its choice.
        TWplayerF2 next(S, m_services, m_dialogs.get());
        QVERIFY(!next.CheckBox4->isChecked());
        QVERIFY(!next.Timer1->isActive());
        QCOMPARE(m_sleep->ItemIndex(), 12);
    }
};

QTEST_MAIN(TestSpeedSleep)
#include "tst_speedsleep.moc"
