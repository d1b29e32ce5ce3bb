// The real notifier announcing new mail through a real notification server
// (dunst) on the private session bus: one notification, replaced when more
// mail comes, whose "Clear Mail Count" clears the count and whose click
// opens Quick View.
#include "Desktop.h"
#include "DovecotServer.h"
#include "FileHelpers.h"
#include "ProgramFolder.h"
#include "QuorvelBus.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace orvane;
using namespace orvane::e2e;

namespace {

constexpr int kStartMs = 30000;
constexpr int kStopMs = 30000;
constexpr int kShortInterval = 3;

bool notificationServerOnBus()
{
    return QDBusConnection::sessionBus().interface()->isServiceRegistered(
        QStringLiteral("org.freedesktop.Notifications"));
}

// Notifications stay until acted on; a script records each one shown as
// "id|category|body", and the context menu picks "Clear Mail Count" as a
// user would.
const char* const kDunstConfig = R"([global]
    dmenu = /bin/sh -c "grep -m1 'Clear Mail Count'"
[urgency_low]
    timeout = 0
[urgency_normal]
    timeout = 0
[urgency_critical]
    timeout = 0
[orvane]
    appname = Orvane
    script = %1
)";
const char* const kRecordScript = "#!/bin/sh\nprintf '%s|%s|%s\\n' \"$DUNST_ID\" "
                                  "\"$DUNST_CATEGORY\" \"$DUNST_BODY\" >>\"$0.log\"\n";

} // namespace

class QuorvelNotificationTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void oneNotificationReplacedAndItsActions();

private:
    // dunst's own tool on the test's bus; its output.
    QString dunstctl(const QStringList& arguments) const;
    QStringList shown() const;

    Desktop m_desktop;
    QTemporaryDir m_dir;
    QProcess m_dunst;
};

void QuorvelNotificationTest::initTestCase()
{
    if (!QDBusConnection::sessionBus().isConnected() || quorvelOnBus() || notificationServerOnBus())
        QSKIP("Needs a private session bus of its own: run the tests through scripts/test.sh.");
    if (QStandardPaths::findExecutable(QStringLiteral("dunst")).isEmpty())
        QSKIP("dunst is not installed (scripts/packages.sh lists it).");
    QVERIFY2(m_desktop.start(), qPrintable(m_desktop.errorString()));
    const QString script = m_dir.filePath(QStringLiteral("record.sh"));
    test::writeFile(script, kRecordScript, 0700);
    const QString config = m_dir.filePath(QStringLiteral("dunstrc"));
    test::writeFile(config, QString::fromLatin1(kDunstConfig).arg(script).toUtf8());
    m_dunst.setProcessEnvironment(m_desktop.environment());
    m_dunst.setStandardOutputFile(QProcess::nullDevice());
    m_dunst.start(QStringLiteral("dunst"), {QStringLiteral("-config"), config});
    QTRY_VERIFY_WITH_TIMEOUT(notificationServerOnBus(), kStartMs);
}

void QuorvelNotificationTest::cleanupTestCase()
{
    m_dunst.terminate();
    if (!m_dunst.waitForFinished(kStopMs))
        m_dunst.kill();
    m_desktop.stop();
}

QString QuorvelNotificationTest::dunstctl(const QStringList& arguments) const
{
    QProcess ctl;
    ctl.setProcessEnvironment(m_desktop.environment());
    ctl.start(QStringLiteral("dunstctl"), arguments);
    ctl.waitForFinished(10000);
    return QString::fromUtf8(ctl.readAllStandardOutput()).trimmed();
}

QStringList QuorvelNotificationTest::shown() const
{
    return QString::fromUtf8(test::readFile(m_dir.filePath(QStringLiteral("record.sh.log"))))
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void QuorvelNotificationTest::oneNotificationReplacedAndItsActions()
{
    DovecotServer dovecot;
    ORVANE_START_DOVECOT(dovecot, DovecotServer::Options{});
    const ProgramFolder folder;
    QVERIFY2(folder.isValid(), qPrintable(folder.errorString()));
    ListSettings settings{QString(), false, true, true};
    settings.desktopNotifications = true;
    const ListAccount account{"Dovecot",      dovecot.address().toLatin1(),  30,
                              kShortInterval, dovecot.userName().toLatin1(), dovecot.password()};
    QVERIFY(test::saveFile(folder.accountListPath(), listFileContent(settings, {account})));
    QProcess quorvel;
    QVERIFY(startQuorvel(quorvel, folder.path(), m_desktop.environment(), kStartMs));

    // The start-up check announces the three messages, in no popup window.
    QTRY_COMPARE_WITH_TIMEOUT(shown().size(), 1, kStartMs);
    QVERIFY(!m_desktop.hasWindowTitled(QStringLiteral("Orvane")));
    const QString id = shown().constFirst().section(QLatin1Char('|'), 0, 0);
    QCOMPARE(shown().constFirst(), id + QStringLiteral("|email.arrived|Dovecot - 3 new messages"));

    // More mail: the same notification says so, none is added.
    QVERIFY2(dovecot.deliverMessage(), qPrintable(dovecot.log()));
    QTRY_COMPARE_WITH_TIMEOUT(shown().size(), 2, (kShortInterval + 20) * 1000);
    QCOMPARE(shown().constLast(), id + QStringLiteral("|email.arrived|Dovecot - 4 new messages"));
    QCOMPARE(dunstctl({QStringLiteral("count"), QStringLiteral("displayed")}), QStringLiteral("1"));
    QCOMPARE(dunstctl({QStringLiteral("count"), QStringLiteral("history")}), QStringLiteral("0"));

    // Its "Clear Mail Count", chosen from the server's menu, clears.
    QCOMPARE(statusProperty(QStringLiteral("TotalCount")).toInt(), 4);
    dunstctl({QStringLiteral("context")});
    QTRY_COMPARE_WITH_TIMEOUT(statusProperty(QStringLiteral("TotalCount")).toInt(), 0, 10000);

    // The next check finds the mail again and announces it; a click on the
    // notification opens Quick View.
    QTRY_COMPARE_WITH_TIMEOUT(shown().size(), 3, (kShortInterval + 20) * 1000);
    QVERIFY(!m_desktop.hasWindowTitled(QStringLiteral("Orvane - Quick View")));
    dunstctl({QStringLiteral("action"), QStringLiteral("0")});
    QTRY_VERIFY_WITH_TIMEOUT(m_desktop.hasWindowTitled(QStringLiteral("Orvane - Quick View")),
                             10000);

    stopQuorvel(quorvel, kStopMs);
    QCOMPARE(quorvel.exitStatus(), QProcess::NormalExit);
}

QTEST_MAIN(QuorvelNotificationTest)
#include "QuorvelNotificationTest.moc"
