// The web-mail check over the session bus, against a fake checker server
// served from this process on a connection of its own.
#include "checkers/KestranoChecker.h"

#include "CheckerEventLog.h"
#include "FakeKestrano.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QtTest>

using namespace orvane;
using namespace orvane::test;

namespace {

constexpr int kBounded = 10000;

// A bus name of this test run only, so runs side by side do not meet.
QString testService(const char* what)
{
    return QStringLiteral("org.orvane.KestranoTest.%1.p%2")
        .arg(QLatin1String(what))
        .arg(QCoreApplication::applicationPid());
}

} // namespace

Q_DECLARE_METATYPE(FakeKestrano::Answer)

class KestranoCheckerTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void unreachableServer_data();
    void unreachableServer();
    void relaysTheCheck_data();
    void relaysTheCheck();
    void keepsChecksApart();
    void refusedCheck_data();
    void refusedCheck();
    void droppedBeforeTheObjectCame();

private:
    QDBusConnection m_serverBus{QString()};
    std::unique_ptr<FakeKestrano> m_server;
    QString m_service;
};

void KestranoCheckerTest::initTestCase()
{
    if (!QDBusConnection::sessionBus().isConnected())
        QSKIP("No session bus: run the tests under dbus-run-session (scripts/test.sh does).");
    m_serverBus =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fake-kestrano"));
    QVERIFY(m_serverBus.isConnected());
}

void KestranoCheckerTest::init()
{
    m_service = testService(QTest::currentTestFunction());
    m_server = std::make_unique<FakeKestrano>(m_serverBus);
}

void KestranoCheckerTest::cleanup()
{
    m_server.reset();
}

void KestranoCheckerTest::unreachableServer_data()
{
    QTest::addColumn<bool>("connected");
    QTest::newRow("name nobody serves") << true;
    QTest::newRow("no session bus") << false;
}

void KestranoCheckerTest::unreachableServer()
{
    QFETCH(bool, connected);
    const QDBusConnection bus =
        connected ? QDBusConnection::sessionBus() : QDBusConnection(QStringLiteral("no bus"));
    KestranoChecker checker(bus, m_service);
    CheckerEventLog log(checker);
    checker.CheckForMail(QStringLiteral("HOTMAIL.COM"), QStringLiteral("me"),
                         QStringLiteral("secret"), false);

    QTRY_VERIFY_WITH_TIMEOUT(!log.events.isEmpty(), kBounded);
    QTest::qWait(50);
    QCOMPARE(log.events, QStringList{QStringLiteral("error ") + kMissingService});
}

void KestranoCheckerTest::relaysTheCheck_data()
{
    QTest::addColumn<bool>("duringTheCall");
    QTest::newRow("signals after the call") << false;
    QTest::newRow("signals inside the call") << true;
}

void KestranoCheckerTest::relaysTheCheck()
{
    QFETCH(bool, duringTheCall);
    const auto script = [](FakeRemoteChecker& remote) {
        remote.status(QStringLiteral("Logging in..."));
        remote.status(QStringLiteral(" "));
        remote.found(4);
        remote.fail(QStringLiteral("Page not found."));
    };
    if (duringTheCall)
        m_server->onCheck = script;
    QVERIFY(m_server->serve(m_service));

    auto checker = std::make_unique<KestranoChecker>(QDBusConnection::sessionBus(), m_service);
    CheckerEventLog log(*checker);
    checker->CheckForMail(QStringLiteral("HotMail.com"), QStringLiteral("me@example.org"),
                          QStringLiteral("p|w d"), false);

    QTRY_COMPARE_WITH_TIMEOUT(int(m_server->objects.size()), 1, kBounded);
    QPointer<FakeRemoteChecker> remote = m_server->objects.front();
    QCOMPARE(m_server->classNames, QStringList{QStringLiteral("Generic")});
    QTRY_COMPARE_WITH_TIMEOUT(remote->checks,
                              QStringList{QStringLiteral("HotMail.com|me@example.org|p|w d|false")},
                              kBounded);
    if (!duringTheCall)
        script(*remote);

    const QStringList expected{QStringLiteral("status Logging in..."), QStringLiteral("status  "),
                               QStringLiteral("count 4"), QStringLiteral("error Page not found.")};
    QTRY_COMPARE_WITH_TIMEOUT(log.events, expected, kBounded);
    QCOMPARE(remote->releases, 0);

    checker.reset();
    QTRY_COMPARE_WITH_TIMEOUT(remote->releases, 1, kBounded);
    // Whatever the object still says goes nowhere and breaks nothing.
    remote->found(9);
    QTest::qWait(50);
}

void KestranoCheckerTest::keepsChecksApart()
{
    QVERIFY(m_server->serve(m_service));
    KestranoChecker first(QDBusConnection::sessionBus(), m_service);
    KestranoChecker second(QDBusConnection::sessionBus(), m_service);
    CheckerEventLog firstLog(first);
    CheckerEventLog secondLog(second);
    first.CheckForMail(QStringLiteral("mail.yahoo.com"), QStringLiteral("a"), {}, false);
    QTRY_COMPARE_WITH_TIMEOUT(int(m_server->objects.size()), 1, kBounded);
    second.CheckForMail(QStringLiteral("HOTMAIL.COM"), QStringLiteral("b"), {}, false);
    QTRY_COMPARE_WITH_TIMEOUT(int(m_server->objects.size()), 2, kBounded);
    QTRY_VERIFY_WITH_TIMEOUT(!m_server->objects.at(1)->checks.isEmpty(), kBounded);
    QVERIFY(
        m_server->objects.at(0)->checks.value(0).startsWith(QLatin1String("mail.yahoo.com|a|")));

    m_server->objects.at(1)->found(2);
    m_server->objects.at(0)->found(1);
    QTRY_COMPARE_WITH_TIMEOUT(firstLog.events, QStringList{QStringLiteral("count 1")}, kBounded);
    QTRY_COMPARE_WITH_TIMEOUT(secondLog.events, QStringList{QStringLiteral("count 2")}, kBounded);
}

void KestranoCheckerTest::refusedCheck_data()
{
    QTest::addColumn<FakeKestrano::Answer>("answer");
    QTest::addColumn<bool>("refuseCheck");
    QTest::newRow("error reply to Create") << FakeKestrano::Answer::ErrorReply << false;
    QTest::newRow("path of no checker") << FakeKestrano::Answer::FactoryPath << false;
    QTest::newRow("error reply to CheckForMail") << FakeKestrano::Answer::Object << true;
}

void KestranoCheckerTest::refusedCheck()
{
    QFETCH(FakeKestrano::Answer, answer);
    QFETCH(bool, refuseCheck);
    m_server->answer = answer;
    m_server->refuseChecks = refuseCheck;
    QVERIFY(m_server->serve(m_service));

    KestranoChecker checker(QDBusConnection::sessionBus(), m_service);
    CheckerEventLog log(checker);
    checker.CheckForMail(QStringLiteral("HOTMAIL.COM"), QStringLiteral("me"),
                         QStringLiteral("secret"), false);

    QTRY_VERIFY_WITH_TIMEOUT(!log.events.isEmpty(), kBounded);
    QTest::qWait(50);
    QCOMPARE(log.events, QStringList{QStringLiteral("error ") + kMissingService});
}

void KestranoCheckerTest::droppedBeforeTheObjectCame()
{
    // A check that times out while the server is still starting: the object
    // the server makes anyway must not stay behind in it.
    m_server->answer = FakeKestrano::Answer::Later;
    QVERIFY(m_server->serve(m_service));
    auto checker = std::make_unique<KestranoChecker>(QDBusConnection::sessionBus(), m_service);
    CheckerEventLog log(*checker);
    checker->CheckForMail(QStringLiteral("HOTMAIL.COM"), {}, {}, false);
    QTRY_COMPARE_WITH_TIMEOUT(m_server->classNames.size(), 1, kBounded);
    checker.reset();

    m_server->answerNow();
    QCOMPARE(int(m_server->objects.size()), 1);
    QPointer<FakeRemoteChecker> remote = m_server->objects.front();
    QTRY_COMPARE_WITH_TIMEOUT(remote->releases, 1, kBounded);
    QVERIFY(remote->checks.isEmpty());
}

QTEST_GUILESS_MAIN(KestranoCheckerTest)
#include "KestranoCheckerTest.moc"
