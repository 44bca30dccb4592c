// The shutdown request end to end: a sleep-timer run through the real windows and the real system
// services, with logind played by python3-dbusmock on a private bus. The real system bus is never
// reached: its address points at the private bus, or at nothing, for the whole run.
#include "PlayerKit.h"
#include "support/Processes.h"
#include "support/RecordingMedia.h"
#include "support/ScriptedPrompts.h"

#include "app/wmt.h"
#include "common/IniFile.h"
#include "common/SharedState.h"
#include "platform/desktop/DesktopServices.h"
#include "player/PlayerDialogs.h"
#include "player/SleepU.h"
#include "player/Speed.h"
#include "player/WplayerU2.h"

#include <QCheckBox>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

const QString Logind = QStringLiteral("org.freedesktop.login1");
const QString LogindPath = QStringLiteral("/org/freedesktop/login1");

} // namespace

class TestShutdown : public QObject
{
    Q_OBJECT

    QTemporaryDir m_tmp;
    QProcess m_bus;
    QProcess m_logind;
    QString m_address;
    QString m_log;

    ScriptedPrompts m_prompts;
    DesktopServices m_system;                  // the real one
    CheckedMedia m_media{PlayerKit::engine()}; // the real engine check
    Services m_services{m_prompts, m_system, m_media};
    SharedState S;
    std::unique_ptr<QTemporaryDir> m_app;
    std::unique_ptr<TSleepF> m_sleep;
    std::unique_ptr<TSpeedF> m_speed;
    std::unique_ptr<RunDialogs> m_dialogs;
    std::unique_ptr<TForm1> m_form;

    // A private message bus of the session kind; returns its address.
    QString startBus(QProcess& daemon, const QString& socketName)
    {
        endWithTest(daemon);
        daemon.start(QStringLiteral("dbus-daemon"),
                     {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--nopidfile"),
                      QStringLiteral("--print-address"),
                      QStringLiteral("--address=unix:path=") + m_tmp.filePath(socketName)});
        if (!daemon.waitForStarted())
            return {}; // dbus-daemon (package dbus) is missing
        while (!daemon.canReadLine() && daemon.waitForReadyRead(30000)) {
        }
        return QString::fromLocal8Bit(daemon.readLine()).trimmed();
    }

    QDBusConnection probe() { return QDBusConnection::connectToBus(m_address, QStringLiteral("probe")); }

    int powerOffCalls() const { return dbusmockCalls(m_log, "PowerOff"); }

    // The arguments of the last PowerOff call the stand-in logged, as it wrote them.
    QByteArray lastPowerOffArguments() const
    {
        QFile f(m_log);
        QByteArray args;
        if (f.open(QIODevice::ReadOnly)) {
            for (const QByteArray& line : f.readAll().split('\n')) {
                const QList<QByteArray> fields = line.split(' ');
                if (fields.size() > 1 && fields[1] == "PowerOff")
                    args = line.mid(line.indexOf(" PowerOff") + 9).trimmed();
            }
        }
        return args;
    }

    // Makes logind's PowerOff run `code` (Python, in the stand-in) instead of succeeding.
    void overridePowerOff(const QString& code)
    {
        QDBusMessage m = QDBusMessage::createMethodCall(
            Logind, LogindPath, QStringLiteral("org.freedesktop.DBus.Mock"), QStringLiteral("AddMethod"));
        m << QStringLiteral("org.freedesktop.login1.Manager") << QStringLiteral("PowerOff")
          << QStringLiteral("b") << QString() << code;
        const QDBusMessage reply = probe().call(m);
        QVERIFY2(reply.type() == QDBusMessage::ReplyMessage, qPrintable(reply.errorMessage()));
    }

    // Picks two clips, sets the sleep choice in the real dialog and plays them to the end.
    void playWithSleep(int sleepIndex, bool uncheckBeforeGo)
    {
        m_prompts.answerFiles(PlayerKit::makeClips(m_tmp.filePath(QStringLiteral("clips")),
                                                   {QStringLiteral("one.wav"), QStringLiteral("two.wav")}));
        m_prompts.answerBox(QMessageBox::No); // "Save Playlist?", asked when the run was not abandoned
        PlayerKit::onPlayerShown(m_form.get(), [sleepIndex, uncheckBeforeGo](TWplayerF2& p) {
            PlayerKit::onModal("TSleepF", [sleepIndex](QWidget& dlg) {
                QTest::mouseClick(
                    dlg.findChild<QRadioButton*>(QStringLiteral("SleepTimerItem%1").arg(sleepIndex)),
                    Qt::LeftButton);
                QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("BitBtn1")), Qt::LeftButton);
            });
            QTest::mouseClick(p.CheckBox4, Qt::LeftButton);
            QVERIFY(p.CheckBox4->isChecked());
            if (uncheckBeforeGo)
                QTest::mouseClick(p.CheckBox4, Qt::LeftButton);
            auto* go = p.findChild<QLabel*>(QStringLiteral("GoButton"));
            QTest::mouseClick(go, Qt::LeftButton, {}, go->rect().center());
        });
        m_form->PickButtonClick();
    }

    QString shutdownStamp() const
    {
        return IniFile(S.IniPath).readString(QStringLiteral("Dates"), QStringLiteral("SD"));
    }

private Q_SLOTS:
    void initTestCase()
    {
        // Before anything could touch it: the system bus is nowhere until the stand-in is up.
        qputenv("DBUS_SYSTEM_BUS_ADDRESS",
                "unix:path=" + QFile::encodeName(m_tmp.filePath(QStringLiteral("none"))));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_tmp.path()));

        const QString python = pythonWithDbusmock();
        if (python.isEmpty())
            QFAIL("python3 with dbusmock is needed (package python3-dbusmock)");
        m_address = startBus(m_bus, QStringLiteral("bus"));
        QVERIFY(!m_address.isEmpty());

        m_log = m_tmp.filePath(QStringLiteral("logind.log"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), m_address);
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_address);
        m_logind.setProcessEnvironment(env);
        m_logind.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        endWithTest(m_logind);
        m_logind.start(python,
                       {QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("--template"),
                        QStringLiteral("logind"), QStringLiteral("-l"), m_log});
        QVERIFY(m_logind.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(probe().isConnected() && probe().interface()->isServiceRegistered(Logind),
                                 30000);

        m_sleep = std::make_unique<TSleepF>(S);
        m_speed = std::make_unique<TSpeedF>(m_prompts);
        m_dialogs = std::make_unique<RunDialogs>(*m_sleep, *m_speed);
    }

    void cleanupTestCase()
    {
        QDBusConnection::disconnectFromBus(QStringLiteral("probe"));
        stopProcess(m_logind);
        stopProcess(m_bus);
    }

    void init()
    {
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_address.toLocal8Bit());
        m_prompts.clear();
        m_app = std::make_unique<QTemporaryDir>();
        m_form = std::make_unique<TForm1>(S, m_services, m_app->path());
        m_form->setPlayerDialogs(m_dialogs.get());
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    }

    void cleanup()
    {
        m_form.reset();
        S.ShutdownPending = false;
    }

    void whenPlaylistFinishesPowersOffOnce()
    {
        const int before = powerOffCalls();
        playWithSleep(1, false);
        QCOMPARE(powerOffCalls(), before + 1);
        // Not interactive: a logind that wanted a password would hold the call instead of answering.
        QCOMPARE(lastPowerOffArguments(), QByteArray("False"));
        QVERIFY(!shutdownStamp().isEmpty());
        QVERIFY2(m_prompts.boxes().size() == 1,
                 qPrintable(m_prompts.boxTexts().join(u'|'))); // the save question only
        QCOMPARE(m_prompts.boxTexts().first(), QStringLiteral("Save Playlist?"));
    }

    void uncheckedSleepAsksNothing()
    {
        const int before = powerOffCalls();
        playWithSleep(1, true);
        QCOMPARE(powerOffCalls(), before);
        QVERIFY(shutdownStamp().isEmpty());
        QVERIFY(m_form->isVisible());
    }

    void refusedRequestLeavesTheWindowUsable()
    {
        overridePowerOff(QStringLiteral("raise dbus.exceptions.DBusException('Access denied', "
                                        "name='org.freedesktop.DBus.Error.AccessDenied')"));
        const int before = powerOffCalls();
        playWithSleep(1, false);
        QCOMPARE(powerOffCalls(), before + 1);
        const QStringList texts = m_prompts.boxTexts();
        QCOMPARE(texts.size(), 1); // the run was abandoned: no save question
        QVERIFY2(texts.first().startsWith(QStringLiteral("Win32 Error.  Code: ")), qPrintable(texts.first()));
        QVERIFY(texts.first().endsWith(QStringLiteral(".\nAccess denied")));
        QCOMPARE(m_prompts.boxes().first().icon, QMessageBox::Critical);
        QVERIFY(m_form->isVisible());
        QVERIFY(!S.ShutdownPending); // reported, so not asked again at the next playback's end
        // Usable: the next action starts as usual.
        m_prompts.clear();
        m_prompts.answerFiles({});
        m_form->PickButtonClick();
        QCOMPARE(m_prompts.asked.size(), 1);
        overridePowerOff(QStringLiteral("pass"));
    }

    void unansweredRequestIsRefusedInTime()
    {
        // A logind that takes longer than the program waits.
        overridePowerOff(QStringLiteral("__import__('time').sleep(4)"));
        playWithSleep(1, false);
        const QStringList texts = m_prompts.boxTexts();
        QCOMPARE(texts.size(), 1);
        QVERIFY2(texts.first().startsWith(
                     QStringLiteral("Win32 Error.  Code: %1.\n").arg(int(QDBusError::NoReply))),
                 qPrintable(texts.first()));
        QVERIFY(m_form->isVisible());
        overridePowerOff(QStringLiteral("pass"));
    }

    void busWithoutLogindIsRefused()
    {
        QProcess empty;
        const QString address = startBus(empty, QStringLiteral("emptybus"));
        QVERIFY(!address.isEmpty());
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", address.toLocal8Bit());
        playWithSleep(1, false);
        stopProcess(empty);
        const QStringList texts = m_prompts.boxTexts();
        QCOMPARE(texts.size(), 1);
        QVERIFY2(texts.first().startsWith(
                     QStringLiteral("Win32 Error.  Code: %1.\n").arg(int(QDBusError::ServiceUnknown))),
                 qPrintable(texts.first()));
        QVERIFY(m_form->isVisible());
    }

    void noBusIsRefused()
    {
        qputenv("DBUS_SYSTEM_BUS_ADDRESS",
                "unix:path=" + QFile::encodeName(m_tmp.filePath(QStringLiteral("none"))));
        playWithSleep(1, false);
        const QStringList texts = m_prompts.boxTexts();
        QCOMPARE(texts.size(), 1);
        QVERIFY2(texts.first().startsWith(QStringLiteral("Win32 Error.  Code: ")), qPrintable(texts.first()));
        QVERIFY(texts.first().contains(u'\n'));
        QVERIFY(m_form->isVisible());
        QVERIFY(!shutdownStamp().isEmpty()); // written just before the request
    }
};

QTEST_MAIN(TestShutdown)
#include "tst_shutdown.moc"
