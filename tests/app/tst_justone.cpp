// The single-instance guard, in-process and with two real copies of the program.
#include "common/JustOne.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestJustOne : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_runtime.isValid());
        qputenv("XDG_RUNTIME_DIR", m_runtime.path().toLocal8Bit());
    }

    void secondCopyEndsAndRaisesTheFirst()
    {
        TXJustOne first;
        QSignalSpy raised(&first, &TXJustOne::activateRequested);
        QVERIFY(first.check(QStringLiteral("Guarded")));
        QVERIFY(first.handleHeld());

        TXJustOne second;
        int told = 0;
        second.AlreadyExist = [&](TXJustOne* sender) {
            QCOMPARE(sender, &second);
            QCOMPARE(raised.count(), 0); // before anything else is done
            ++told;
        };
        QVERIFY(!second.check(QStringLiteral("Guarded")));
        QCOMPARE(told, 1);
        QTRY_COMPARE(raised.count(), 1);
    }

    void withoutSwitchingTheFirstIsLeftAlone()
    {
        TXJustOne first;
        QSignalSpy raised(&first, &TXJustOne::activateRequested);
        QVERIFY(first.check(QStringLiteral("Quiet")));
        TXJustOne second;
        second.SwitchToPrevious = false;
        QVERIFY(!second.check(QStringLiteral("Quiet")));
        // A third copy that does switch is heard; had the second spoken, it would be heard first.
        TXJustOne third;
        QVERIFY(!third.check(QStringLiteral("Quiet")));
        QTRY_COMPARE(raised.count(), 1);
        QCoreApplication::processEvents();
        QCOMPARE(raised.count(), 1);
    }

    void otherTitlesAndLaterCopiesRunNormally()
    {
        auto first = std::make_unique<TXJustOne>();
        QVERIFY(first->check(QStringLiteral("One")));
        TXJustOne other;
        QVERIFY(other.check(QStringLiteral("Another")));
        first.reset();
        TXJustOne later;
        QVERIFY(later.check(QStringLiteral("One")));
    }

    void twoRealCopies()
    {
        QTemporaryDir dir;
        const QString exe = dir.filePath(QStringLiteral("vidmarro"));
        QVERIFY(QFile::copy(QStringLiteral(VIDMARRO_EXE), exe));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());

        QProcess first;
        first.setProcessEnvironment(env);
        first.start(exe, {});
        QVERIFY(first.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(TXJustOne::serverName(QStringLiteral("Vidmarro"))), 20000);

        QProcess second;
        second.setProcessEnvironment(env);
        second.start(exe, {});
        QVERIFY(second.waitForFinished(20000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(first.state(), QProcess::Running);

        first.terminate();
        QVERIFY(first.waitForFinished(20000));
    }

private:
    QTemporaryDir m_runtime;
};

QTEST_MAIN(TestJustOne)
#include "tst_justone.moc"
