// The real instance without a session bus: one notifier per user, the lock
// going with the process that holds it, and a refused start saying why; a
// notifier on the bus and one without it refuse each other. And
// the desktop session: a request to commit data (a checkpoint, or a log-out
// the user may still cancel) only saves; the session's real end, which quits
// the application, shuts down.
#include "bus/SessionInstance.h"

#include "FileHelpers.h"

#include <QDBusConnectionInterface>
#include <QGuiApplication>
#include <QSessionManager>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace orvane;
using namespace orvane::test;

class SessionInstanceTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        m_busAddress = qgetenv("DBUS_SESSION_BUS_ADDRESS");
        // No bus can be reached: the lock file stands in for the bus name.
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/orvane-test-bus");
    }
    void onePerUserWithoutABus();
    void withAndWithoutABus_data();
    void withAndWithoutABus();
    void commitDataSavesAndQuitEnds();

private:
    QByteArray m_busAddress;
};

void SessionInstanceTest::onePerUserWithoutABus()
{
    QTemporaryDir runtime;
    QVERIFY(runtime.isValid());
    // Leftovers of a process that is gone, or junk, never block a start.
    writeFile(runtime.filePath("Quorvelanna.lock"), "999999999\n");
    writeFile(runtime.filePath("Quorvelben.lock"), "\x01\x02 not a number", 0644);

    auto anna = std::make_unique<SessionInstance>(QStringLiteral("anna"), runtime.path());
    QVERIFY(anna->claim());
    SessionInstance ben(QStringLiteral(" ben "), runtime.path());
    QVERIFY(ben.claim());

    SessionInstance secondAnna(QStringLiteral("anna"), runtime.path());
    QTest::ignoreMessage(
        QtWarningMsg,
        QRegularExpression(
            QStringLiteral("not started: another notifier already runs for this user \\(process "
                           "%1 holds .*Quorvelanna.lock\\)")
                .arg(QCoreApplication::applicationPid())));
    QVERIFY(!secondAnna.claim());

    // The lock ends with its holder.
    anna.reset();
    SessionInstance thirdAnna(QStringLiteral("anna"), runtime.path());
    QVERIFY(thirdAnna.claim());
}

void SessionInstanceTest::withAndWithoutABus_data()
{
    QTest::addColumn<bool>("busFirst");
    QTest::newRow("bus first") << true;
    QTest::newRow("no bus first") << false;
}

void SessionInstanceTest::withAndWithoutABus()
{
    QFETCH(bool, busFirst);
    if (m_busAddress.isEmpty())
        QSKIP("No session bus: run the tests through scripts/test.sh.");
    const QDBusConnection bus = QDBusConnection::connectToBus(QString::fromLatin1(m_busAddress),
                                                              QStringLiteral("with-bus"));
    QVERIFY(bus.isConnected());
    const QDBusConnection noBus(QStringLiteral("no-such-connection"));
    QTemporaryDir runtime;
    QVERIFY(runtime.isValid());

    SessionInstance first(QStringLiteral("dora"), runtime.path(), busFirst ? bus : noBus);
    QVERIFY(first.claim());
    SessionInstance second(QStringLiteral("dora"), runtime.path(), busFirst ? noBus : bus);
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression(QStringLiteral("another notifier already runs")));
    QVERIFY(!second.claim());
    // The refused start took nothing: the name is free once the first goes.
    QCOMPARE(bus.interface()
                 ->isServiceRegistered(QString::fromLatin1(SessionInstance::kServiceName))
                 .value(),
             busFirst);
}

void SessionInstanceTest::commitDataSavesAndQuitEnds()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    SessionInstance instance(QStringLiteral("carl"), dir.path());
    QVERIFY(instance.claim());
    QSignalSpy saves(&instance, &ProgramInstance::saveRequested);
    QSignalSpy shutdowns(&instance, &ProgramInstance::shutdownRequested);

    auto* manager = qApp->findChild<QSessionManager*>();
    QVERIFY(manager);
    for (int checkpoint = 1; checkpoint <= 2; ++checkpoint) {
        Q_EMIT qApp->commitDataRequest(*manager);
        QCOMPARE(saves.count(), checkpoint);
        QCOMPARE(shutdowns.count(), 0);
    }

    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    QGuiApplication::exec();
    QCOMPARE(shutdowns.count(), 1);
    QCOMPARE(saves.count(), 2);
}

QTEST_MAIN(SessionInstanceTest)
#include "SessionInstanceTest.moc"
