// /Status on a private session bus: its properties, its account rows in the
// wire format, its commands and its Changed signal, and that only the owner
// of the bus name serves it.
#include "platform/StatusService.h"

#include "platform/SessionInstance.h"
#include "platform/StatusSource.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QSignalSpy>
#include <QTest>

using namespace orvane;

namespace {

const QString kService = QString::fromLatin1(SessionInstance::kServiceName);
const QString kInterface = QStringLiteral("org.orvane.Quorvel.Status");

class FakeStatus final : public StatusSource
{
public:
    qint64 TotalCount() const override { return total; }
    QString ToolTip() const override { return QStringLiteral("Orvane - 3 Messages Found."); }
    bool IsChecking() const override { return checking; }
    QList<AccountStatus> Accounts() const override { return accounts; }
    void CheckAll() override { calls << QStringLiteral("CheckAll"); }
    void ClearAll() override { calls << QStringLiteral("ClearAll"); }

    qint64 total = 3;
    bool checking = true;
    QList<AccountStatus> accounts;
    QStringList calls;
};

} // namespace

class StatusServiceTest : public QObject
{
    Q_OBJECT

public Q_SLOTS:
    void countChange() { ++m_changes; }

private Q_SLOTS:
    void initTestCase();
    void notPublishedWithoutTheName();
    void servesTheStatus();

private:
    // Calls /Status from a second connection, as another program would.
    QDBusMessage call(const QString& interface, const QString& method,
                      const QVariantList& arguments = {});

    QDBusConnection m_peer{QString()};
    int m_changes = 0;
};

void StatusServiceTest::initTestCase()
{
    if (!QDBusConnection::sessionBus().isConnected())
        QSKIP("No session bus: run under dbus-run-session.");
    if (QDBusConnection::sessionBus().interface()->isServiceRegistered(kService))
        QSKIP("org.orvane.Quorvel is taken on this bus.");
    m_peer = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("peer"));
    QVERIFY(m_peer.isConnected());
}

QDBusMessage StatusServiceTest::call(const QString& interface, const QString& method,
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

void StatusServiceTest::notPublishedWithoutTheName()
{
    FakeStatus source;
    StatusService service(source);
    QVERIFY(!service.publish());
    QVERIFY(!QDBusConnection::sessionBus().objectRegisteredAt(QStringLiteral("/Status")));
}

void StatusServiceTest::servesTheStatus()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    QVERIFY(bus.registerService(kService));
    FakeStatus source;
    source.accounts = {
        {QStringLiteral("home"), QStringLiteral("Yes"), QStringLiteral("09:00"),
         QStringLiteral("3 Messages Found")},
        {QStringLiteral("work"), QStringLiteral("No"), QStringLiteral("Never"), QString()}};
    StatusService service(source);
    QVERIFY(service.publish());

    const auto property = [this](const QString& name) {
        const QDBusMessage reply = call(QStringLiteral("org.freedesktop.DBus.Properties"),
                                        QStringLiteral("Get"), {kInterface, name});
        return reply.arguments().value(0).value<QDBusVariant>().variant();
    };
    QCOMPARE(property(QStringLiteral("TotalCount")), QVariant(3));
    QCOMPARE(property(QStringLiteral("ToolTip")),
             QVariant(QStringLiteral("Orvane - 3 Messages Found.")));
    QCOMPARE(property(QStringLiteral("Checking")), QVariant(true));
    source.total = qint64(1) << 40;
    QCOMPARE(property(QStringLiteral("TotalCount")), QVariant(std::numeric_limits<int>::max()));

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

    QCOMPARE(call(kInterface, QStringLiteral("CheckAll")).type(), QDBusMessage::ReplyMessage);
    QCOMPARE(call(kInterface, QStringLiteral("ClearAll")).type(), QDBusMessage::ReplyMessage);
    QCOMPARE(source.calls, (QStringList{"CheckAll", "ClearAll"}));

    QVERIFY(m_peer.connect(kService, QStringLiteral("/Status"), kInterface,
                           QStringLiteral("Changed"), this, SLOT(countChange())));
    service.notifyChanged();
    QTRY_COMPARE_WITH_TIMEOUT(m_changes, 1, 5000);
    QVERIFY(bus.unregisterService(kService));
}

QTEST_GUILESS_MAIN(StatusServiceTest)
#include "StatusServiceTest.moc"
