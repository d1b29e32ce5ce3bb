// /Status on a private session bus, over a real check cycle: its properties,
// its account rows in the wire format, its commands (a check-all during a
// pass is ignored) and its Changed signal, and that only the owner of the
// bus name serves it.
#include "bus/StatusObject.h"

#include "CheckCycle.h"
#include "bus/SessionInstance.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QLocale>
#include <QTest>
#include <limits>

using namespace orvane;
using namespace orvane::test;

namespace {

const QString kService = QString::fromLatin1(SessionInstance::kServiceName);
const QString kInterface = QStringLiteral("org.orvane.Quorvel.Status");

// A check cycle on virtual time with two accounts, "home" and "work".
struct Fixture : CheckCycle
{
    Fixture()
    {
        add(QStringLiteral("home"));
        add(QStringLiteral("work"));
    }
};

} // namespace

class StatusObjectTest : public QObject
{
    Q_OBJECT

public Q_SLOTS:
    void countChange() { ++m_changes; }

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase() { QLocale::setDefault(QLocale::system()); }
    void notPublishedWithoutTheName();
    void servesTheStatus();
    void namesFailingAccounts();

private:
    // Calls /Status from a second connection, as another program would.
    QDBusMessage call(const QString& interface, const QString& method,
                      const QVariantList& arguments = {});
    QVariant property(const QString& name);

    QDBusConnection m_peer{QString()};
    int m_changes = 0;
};

void StatusObjectTest::initTestCase()
{
    if (!QDBusConnection::sessionBus().isConnected())
        QSKIP("No session bus: run under dbus-run-session.");
    if (QDBusConnection::sessionBus().interface()->isServiceRegistered(kService))
        QSKIP("org.orvane.Quorvel is taken on this bus.");
    m_peer = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("peer"));
    QVERIFY(m_peer.isConnected());
    // The last-checked column is in the user's format.
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
}

QDBusMessage StatusObjectTest::call(const QString& interface, const QString& method,
                                    const QVariantList& arguments)
{
    QDBusMessage message =
        QDBusMessage::createMethodCall(kService, QStringLiteral("/Status"), interface, method);
    message.setArguments(arguments);
    // The object answers on this thread, so the reply is awaited in the loop.
    QDBusPendingCall pending = m_peer.asyncCall(message, 5000);
    QDeadlineTimer deadline(5000);
    while (!pending.isFinished() && !deadline.hasExpired())
        QTest::qWait(10);
    return pending.reply();
}

QVariant StatusObjectTest::property(const QString& name)
{
    const QDBusMessage reply = call(QStringLiteral("org.freedesktop.DBus.Properties"),
                                    QStringLiteral("Get"), {kInterface, name});
    return reply.arguments().value(0).value<QDBusVariant>().variant();
}

void StatusObjectTest::notPublishedWithoutTheName()
{
    Fixture f;
    StatusObject status(f.core, f.accounts);
    QVERIFY(!status.publish());
    QVERIFY(!QDBusConnection::sessionBus().objectRegisteredAt(QStringLiteral("/Status")));
}

void StatusObjectTest::servesTheStatus()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    QVERIFY(bus.registerService(kService));
    Fixture f;
    f.core.CheckAccount(**f.accounts.begin());
    f.checkers.last()->found(3);
    StatusObject status(f.core, f.accounts);
    QVERIFY(status.publish());

    QCOMPARE(property(QStringLiteral("TotalCount")), QVariant(3));
    QCOMPARE(property(QStringLiteral("ToolTip")),
             QVariant(QStringLiteral("Orvane - 3 Messages Found.")));
    QCOMPARE(property(QStringLiteral("Checking")), QVariant(false));

    const QDBusMessage accounts = call(kInterface, QStringLiteral("Accounts"));
    QCOMPARE(accounts.type(), QDBusMessage::ReplyMessage);
    QCOMPARE(accounts.signature(), QStringLiteral("a(ssss)"));
    const QDBusArgument rows = accounts.arguments().value(0).value<QDBusArgument>();
    QStringList seen;
    rows.beginArray();
    while (!rows.atEnd()) {
        QString name, mail, last, detail;
        rows.beginStructure();
        rows >> name >> mail >> last >> detail;
        rows.endStructure();
        seen << QStringList{name, mail, last, detail}.join(QLatin1Char('|'));
    }
    rows.endArray();
    QCOMPARE(seen, (QStringList{"home|Yes|09:00|3 Messages Found", "work|No|Never|"}));

    QVERIFY(m_peer.connect(kService, QStringLiteral("/Status"), kInterface,
                           QStringLiteral("Changed"), this, SLOT(countChange())));
    QCOMPARE(call(kInterface, QStringLiteral("CheckAll")).type(), QDBusMessage::ReplyMessage);
    QCOMPARE(f.checkers.count(), 3);
    QCOMPARE(property(QStringLiteral("Checking")), QVariant(true));
    QTRY_COMPARE_WITH_TIMEOUT(m_changes, 1, 5000);

    // As the disabled menu item: a second request during the pass starts
    // nothing, not even the account that has finished.
    constexpr int most = std::numeric_limits<int>::max();
    f.checkers.made.at(1)->found(most);
    QCOMPARE(call(kInterface, QStringLiteral("CheckAll")).type(), QDBusMessage::ReplyMessage);
    QCOMPARE(f.checkers.count(), 3);
    f.checkers.made.at(2)->found(most);
    QCOMPARE(property(QStringLiteral("TotalCount")), QVariant(most));
    QTRY_COMPARE_WITH_TIMEOUT(m_changes, 2, 5000);

    QCOMPARE(call(kInterface, QStringLiteral("ClearAll")).type(), QDBusMessage::ReplyMessage);
    QCOMPARE(property(QStringLiteral("TotalCount")), QVariant(0));
    QTRY_COMPARE_WITH_TIMEOUT(m_changes, 3, 5000);
    QVERIFY(bus.unregisterService(kService));
}

void StatusObjectTest::namesFailingAccounts()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    QVERIFY(bus.registerService(kService));
    Fixture f;
    server& work = f.accounts.at(1);
    StatusObject status(f.core, f.accounts);
    QVERIFY(status.publish());
    QCOMPARE(property(QStringLiteral("FailingAccounts")), QVariant(QStringList{}));

    for (int i = 0; i < server::kFailingAfter; ++i) {
        f.core.CheckAccount(work);
        f.checkers.last()->fail(QStringLiteral("Connection refused"));
    }
    QCOMPARE(property(QStringLiteral("FailingAccounts")), QVariant(QStringList{"work"}));
    QCOMPARE(property(QStringLiteral("ToolTip")),
             QVariant(QStringLiteral("Orvane - No Mail.\n1 account failing: work")));

    f.core.CheckAccount(work);
    f.checkers.last()->found(0);
    QCOMPARE(property(QStringLiteral("FailingAccounts")), QVariant(QStringList{}));
    QCOMPARE(property(QStringLiteral("ToolTip")), QVariant(QStringLiteral("Orvane - No Mail.")));
    QVERIFY(bus.unregisterService(kService));
}

QTEST_GUILESS_MAIN(StatusObjectTest)
#include "StatusObjectTest.moc"
