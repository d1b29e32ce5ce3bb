// Without a session bus, one notifier per user: the lock goes with the
// process that holds it, and a refused start says why.
#include "platform/SessionInstance.h"

#include "FileHelpers.h"

#include <QTemporaryDir>
#include <QTest>

using namespace orvane;
using namespace orvane::test;

class SessionInstanceTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // No bus can be reached: the lock file stands in for the bus name.
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/orvane-test-bus");
    }
    void onePerUserWithoutABus();
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

QTEST_GUILESS_MAIN(SessionInstanceTest)
#include "SessionInstanceTest.moc"
