// The web-mail checker server on the session bus, served from this process on
// a connection of its own and used through the notifier's own client.
#include "webmail/KestranoServer.h"

#include "CheckerEventLog.h"
#include "ScriptedChecker.h"
#include "VirtualClock.h"
#include "checkers/KestranoChecker.h"
#include "webmail/Generic.h"
#include "webmail/WebMailCheckers.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QSignalSpy>
#include <QtTest>

using namespace orvane;
using namespace orvane::test;

namespace {

constexpr int kBounded = 10000;

/// Scripted checkers that remember which class each one was made as.
class ScriptedWebMailCheckers final : public WebMailCheckers
{
public:
    std::unique_ptr<MailChecker> createHotmail() override { return make("Hotmail"); }
    std::unique_ptr<MailChecker> createYahoo() override { return make("Yahoo"); }
    std::unique_ptr<MailChecker> createPOP3() override { return make("POP3"); }
    std::unique_ptr<MailChecker> createGenericHTTP() override { return make("GenericHTTP"); }

    std::unique_ptr<MailChecker> make(const char* kind)
    {
        kinds << QString::fromLatin1(kind);
        return scripted.make();
    }

    QStringList kinds;
    ScriptedCheckers scripted;
};

// The server answers on this thread, so calls wait in the event loop.
QDBusMessage callServer(const QDBusConnection& bus, QDBusMessage call)
{
    QDBusPendingCall pending = bus.asyncCall(call);
    if (!QTest::qWaitFor([&] { return pending.isFinished(); }, kBounded))
        return {};
    return pending.reply();
}

QDBusMessage createCall(const QString& service, const QString& className)
{
    QDBusMessage create = QDBusMessage::createMethodCall(
        service, QStringLiteral("/"), QStringLiteral("org.orvane.Kestrano.Factory"),
        QStringLiteral("Create"));
    create << className;
    return create;
}

QString testService()
{
    return QStringLiteral("org.orvane.KestranoServerTest.p%1")
        .arg(QCoreApplication::applicationPid());
}

} // namespace

class KestranoServerTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void routes_data();
    void routes();
    void checksOverTheBus();
    void releaseEndsTheCheckSilently();
    void clientLeavingReleasesItsObjects();
    void anotherClientIsRefused_data();
    void anotherClientIsRefused();
    void classes_data();
    void classes();
    void idleWithoutClients();

private:
    QDBusConnection m_serverBus{QString()};
    VirtualClock m_clock;
    ScriptedWebMailCheckers m_checkers;
    std::unique_ptr<KestranoServer> m_server;
};

void KestranoServerTest::initTestCase()
{
    if (!QDBusConnection::sessionBus().isConnected())
        QSKIP("No session bus: run the tests under dbus-run-session (scripts/test.sh does).");
    m_serverBus = QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                                QStringLiteral("kestrano-server"));
    QVERIFY(m_serverBus.isConnected());
}

void KestranoServerTest::init()
{
    m_checkers.kinds.clear();
    m_checkers.scripted.made.clear();
    m_checkers.scripted.onCheck = nullptr;
    m_server = std::make_unique<KestranoServer>(m_serverBus, m_checkers, m_clock);
    QVERIFY(m_server->serve(testService()));
}

void KestranoServerTest::cleanup()
{
    m_server.reset();
    QTRY_VERIFY(!QDBusConnection::sessionBus().interface()->isServiceRegistered(testService()));
}

void KestranoServerTest::routes_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("kind");

    QTest::newRow("hotmail") << QStringLiteral("hotmail.com") << QStringLiteral("Hotmail");
    QTest::newRow("hotmail mixed case")
        << QStringLiteral("HotMail.CoM") << QStringLiteral("Hotmail");
    QTest::newRow("hotmail with a blank")
        << QStringLiteral("hotmail.com ") << QStringLiteral("POP3");
    QTest::newRow("hotmail inside more")
        << QStringLiteral("pop.hotmail.com") << QStringLiteral("POP3");
    QTest::newRow("yahoo domain") << QStringLiteral("yahoo.com") << QStringLiteral("Yahoo");
    QTest::newRow("yahoo without a full stop")
        << QStringLiteral("myYaHoOmail") << QStringLiteral("Yahoo");
    QTest::newRow("yahoo at the end") << QStringLiteral("pop.yahoo") << QStringLiteral("Yahoo");
    QTest::newRow("anything else") << QStringLiteral("pop.example.org") << QStringLiteral("POP3");
}

void KestranoServerTest::routes()
{
    QFETCH(QString, address);
    QFETCH(QString, kind);
    Generic generic(m_checkers);
    generic.CheckForMail(address, QStringLiteral("bob"), QStringLiteral("pw"), true);
    QCOMPARE(m_checkers.kinds, QStringList{kind});
    ScriptedChecker* made = m_checkers.scripted.last();
    QVERIFY(made);
    QCOMPARE(made->address, address);
    QCOMPARE(made->userName, QStringLiteral("bob"));
    QCOMPARE(made->password, QStringLiteral("pw"));
    QVERIFY(made->debugOn);
}

void KestranoServerTest::checksOverTheBus()
{
    QSignalSpy idle(m_server.get(), &KestranoServer::idle);
    QString password;
    m_checkers.scripted.onCheck = [&password](ScriptedChecker& checker) {
        password = checker.password;
        checker.status(QStringLiteral("Loading Yahoo website..."));
        checker.status(QStringLiteral("Logging in..."));
        checker.found(12);
    };
    {
        KestranoChecker client(QDBusConnection::sessionBus(), testService());
        CheckerEventLog log(client);
        client.CheckForMail(QStringLiteral("yahoo.com"), QStringLiteral("bob"),
                            QStringLiteral("p\u00e4ss|word"), false);
        QTRY_VERIFY_WITH_TIMEOUT(log.ended(), kBounded);
        QCOMPARE(log.events,
                 (QStringList{QStringLiteral("status Loading Yahoo website..."),
                              QStringLiteral("status Logging in..."), QStringLiteral("count 12")}));
        QCOMPARE(m_checkers.kinds, QStringList{QStringLiteral("Yahoo")});
        QCOMPARE(password, QStringLiteral("p\u00e4ss|word"));
        // The checker (and the browser it may hold) goes with its result,
        // before the client lets the object go.
        QTRY_VERIFY(!m_checkers.scripted.last());
        QCOMPARE(m_server->objectCount(), 1);
        QCOMPARE(idle.count(), 0);
    }
    // The client goes with the check: the object and its checker go too, and
    // with the last object the server is done.
    QTRY_COMPARE_WITH_TIMEOUT(m_server->objectCount(), 0, kBounded);
    QTRY_VERIFY(!m_checkers.scripted.last());
    QCOMPARE(idle.count(), 1);
    QTRY_VERIFY(!QDBusConnection::sessionBus().interface()->isServiceRegistered(testService()));
}

void KestranoServerTest::releaseEndsTheCheckSilently()
{
    auto client = std::make_unique<KestranoChecker>(QDBusConnection::sessionBus(), testService());
    CheckerEventLog log(*client);
    client->CheckForMail(QStringLiteral("hotmail.com"), QStringLiteral("bob"), QStringLiteral("pw"),
                         false);
    QTRY_VERIFY_WITH_TIMEOUT(m_checkers.scripted.last() && m_checkers.scripted.last()->calls == 1,
                             kBounded);
    QPointer<ScriptedChecker> running = m_checkers.scripted.last();
    running->status(QStringLiteral("Loading Hotmail website..."));
    QTRY_COMPARE_WITH_TIMEOUT(log.events.size(), 1, kBounded);

    client.reset();
    QTRY_VERIFY_WITH_TIMEOUT(!running, kBounded);
    QCOMPARE(m_server->objectCount(), 0);
    QCOMPARE(log.events, QStringList{QStringLiteral("status Loading Hotmail website...")});
}

void KestranoServerTest::clientLeavingReleasesItsObjects()
{
    const QString name = QStringLiteral("leaving-client");
    {
        QDBusConnection leaving = QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
        QVERIFY(leaving.isConnected());
        for (int i = 0; i < 2; ++i) {
            const QDBusReply<QDBusObjectPath> reply =
                callServer(leaving, createCall(testService(), QStringLiteral("Generic")));
            QVERIFY2(reply.isValid(), qPrintable(reply.error().message()));
        }
    }
    QCOMPARE(m_server->objectCount(), 2);
    // An object made for another client stays.
    KestranoChecker staying(QDBusConnection::sessionBus(), testService());
    staying.CheckForMail(QStringLiteral("pop.example.org"), {}, {}, false);
    QTRY_COMPARE_WITH_TIMEOUT(m_server->objectCount(), 3, kBounded);

    QDBusConnection::disconnectFromBus(name);
    QTRY_COMPARE_WITH_TIMEOUT(m_server->objectCount(), 1, kBounded);
}

void KestranoServerTest::anotherClientIsRefused_data()
{
    QTest::addColumn<QString>("method");
    QTest::addColumn<QVariantList>("arguments");

    QTest::newRow("check") << QStringLiteral("CheckForMail")
                           << QVariantList{QStringLiteral("pop.example.org"), QStringLiteral("eve"),
                                           QStringLiteral("pw"), false};
    QTest::newRow("release") << QStringLiteral("Release") << QVariantList{};
}

void KestranoServerTest::anotherClientIsRefused()
{
    QFETCH(QString, method);
    QFETCH(QVariantList, arguments);
    const QDBusReply<QDBusObjectPath> made = callServer(
        QDBusConnection::sessionBus(), createCall(testService(), QStringLiteral("Generic")));
    QVERIFY2(made.isValid(), qPrintable(made.error().message()));

    const QString name = QStringLiteral("another-client");
    QDBusConnection other = QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
    QVERIFY(other.isConnected());
    QDBusMessage call = QDBusMessage::createMethodCall(
        testService(), made.value().path(), QStringLiteral("org.orvane.Kestrano.Checker"), method);
    call.setArguments(arguments);
    const QDBusMessage refused = callServer(other, call);
    QDBusConnection::disconnectFromBus(name);
    QCOMPARE(refused.type(), QDBusMessage::ErrorMessage);
    QCOMPARE(refused.errorName(), QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"));
    QCOMPARE(m_server->objectCount(), 1);
    QVERIFY(m_checkers.kinds.isEmpty());

    // The maker still may.
    const QDBusMessage allowed = callServer(QDBusConnection::sessionBus(), call);
    QCOMPARE(allowed.type(), QDBusMessage::ReplyMessage);
}

void KestranoServerTest::classes_data()
{
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("made"); // empty: refused

    QTest::newRow("Generic makes nothing before its check")
        << QStringLiteral("Generic") << QString();
    QTest::newRow("Hotmail") << QStringLiteral("Hotmail") << QStringLiteral("Hotmail");
    QTest::newRow("Yahoo") << QStringLiteral("Yahoo") << QStringLiteral("Yahoo");
    QTest::newRow("POP3") << QStringLiteral("POP3") << QStringLiteral("POP3");
    QTest::newRow("GenericHTTP") << QStringLiteral("GenericHTTP") << QStringLiteral("GenericHTTP");
    QTest::newRow("unknown") << QStringLiteral("Exchange") << QStringLiteral("refused");
    QTest::newRow("case matters") << QStringLiteral("hotmail") << QStringLiteral("refused");
}

void KestranoServerTest::classes()
{
    QFETCH(QString, className);
    QFETCH(QString, made);
    const QDBusReply<QDBusObjectPath> reply =
        callServer(QDBusConnection::sessionBus(), createCall(testService(), className));
    if (made == QLatin1String("refused")) {
        QVERIFY(!reply.isValid());
        QCOMPARE(m_server->objectCount(), 0);
        return;
    }
    QVERIFY2(reply.isValid(), qPrintable(reply.error().message()));
    QVERIFY(reply.value().path().startsWith(QLatin1Char('/') + className + QLatin1Char('/')));
    QCOMPARE(m_checkers.kinds, made.isEmpty() ? QStringList() : QStringList{made});

    QDBusMessage release = QDBusMessage::createMethodCall(
        testService(), reply.value().path(), QStringLiteral("org.orvane.Kestrano.Checker"),
        QStringLiteral("Release"));
    QDBusConnection::sessionBus().send(release);
    QTRY_COMPARE_WITH_TIMEOUT(m_server->objectCount(), 0, kBounded);
}

void KestranoServerTest::idleWithoutClients()
{
    QSignalSpy idle(m_server.get(), &KestranoServer::idle);
    m_clock.advance(KestranoServer::kStartIdleMs - 1);
    QCOMPARE(idle.count(), 0);
    m_clock.advance(1);
    QCOMPARE(idle.count(), 1);
    QTRY_VERIFY(!QDBusConnection::sessionBus().interface()->isServiceRegistered(testService()));
}

QTEST_GUILESS_MAIN(KestranoServerTest)
#include "KestranoServerTest.moc"
