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
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace orvane;
using namespace orvane::e2e;

namespace {

constexpr int kStartMs = 30000;
constexpr int kStopMs = 30000;
constexpr int kShortInterval = 3;

// dunst counts on the test's bus through its own tool.
int dunstCount(const QProcessEnvironment& env, const QString& which)
{
    QProcess ctl;
    ctl.setProcessEnvironment(env);
    ctl.start(QStringLiteral("dunstctl"), {QStringLiteral("count"), which});
    if (!ctl.waitForFinished(10000) || ctl.exitCode() != 0)
        return -1;
    bool ok = false;
    const int count = ctl.readAllStandardOutput().trimmed().toInt(&ok);
    return ok ? count : -1;
}

bool dunstctl(const QProcessEnvironment& env, const QStringList& arguments)
{
    QProcess ctl;
    ctl.setProcessEnvironment(env);
    ctl.start(QStringLiteral("dunstctl"), arguments);
    return ctl.waitForFinished(10000) && ctl.exitCode() == 0;
}

} // namespace

class QuorvelNotificationTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void oneNotificationReplacedAndItsActions();

private:
    // The shown notifications as the server's script saw them: "id|category|body".
    QStringList shown() const;

    Desktop m_desktop;
    QTemporaryDir m_dir;
    std::unique_ptr<QProcess> m_dunst;
    std::unique_ptr<QProcess> m_quorvel;
};

void QuorvelNotificationTest::initTestCase()
{
    if (!QDBusConnection::sessionBus().isConnected())
        QSKIP("No session bus: run the tests through scripts/test.sh.");
    if (quorvelOnBus())
        QSKIP("org.orvane.Quorvel is taken on this bus: run the tests through scripts/test.sh.");
    if (QStandardPaths::findExecutable(QStringLiteral("dunst")).isEmpty())
        QSKIP("dunst is not installed (scripts/packages.sh lists it).");
    QVERIFY2(!QDBusConnection::sessionBus().interface()->isServiceRegistered(
                 QStringLiteral("org.freedesktop.Notifications")),
             "a notification server already runs on this bus");
    QVERIFY2(m_desktop.start(), qPrintable(m_desktop.errorString()));

    // Notifications stay until acted on; a script records each one shown,
    // and the context menu picks "Clear Mail Count" as a user would.
    const QString config = m_dir.filePath(QStringLiteral("dunstrc"));
    const QString record = m_dir.filePath(QStringLiteral("record.sh"));
    const QString pick = m_dir.filePath(QStringLiteral("pick.sh"));
    test::writeFile(record,
                    "#!/bin/sh\nprintf '%s|%s|%s\\n' \"$DUNST_ID\" \"$DUNST_CATEGORY\" "
                    "\"$(printf '%s' \"$DUNST_BODY\" | tr '\\n' '/')\" >>\"$0.log\"\n",
                    0700);
    test::writeFile(pick, "#!/bin/sh\ngrep -m1 'Clear Mail Count'\n", 0700);
    test::writeFile(config,
                    QStringLiteral("[global]\n    dmenu = %1\n    always_run_script = true\n"
                                   "[urgency_low]\n    timeout = 0\n"
                                   "[urgency_normal]\n    timeout = 0\n"
                                   "[urgency_critical]\n    timeout = 0\n"
                                   "[orvane]\n    appname = Orvane\n    script = %2\n")
                        .arg(pick, record)
                        .toUtf8());
    m_dunst = std::make_unique<QProcess>();
    m_dunst->setProcessEnvironment(m_desktop.environment());
    m_dunst->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_dunst->setStandardOutputFile(QProcess::nullDevice());
    m_dunst->start(QStringLiteral("dunst"), {QStringLiteral("-config"), config});
    QVERIFY(m_dunst->waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QDBusConnection::sessionBus().interface()->isServiceRegistered(
                                 QStringLiteral("org.freedesktop.Notifications")),
                             kStartMs);
}

void QuorvelNotificationTest::cleanupTestCase()
{
    if (m_quorvel && m_quorvel->state() != QProcess::NotRunning) {
        m_quorvel->kill();
        m_quorvel->waitForFinished(kStopMs);
    }
    if (m_dunst) {
        m_dunst->terminate();
        if (!m_dunst->waitForFinished(kStopMs))
            m_dunst->kill();
    }
    m_desktop.stop();
}

QStringList QuorvelNotificationTest::shown() const
{
    QFile log(m_dir.filePath(QStringLiteral("record.sh.log")));
    if (!log.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
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
    m_quorvel = std::make_unique<QProcess>();
    QVERIFY(startQuorvel(*m_quorvel, folder.path(), m_desktop.environment(), kStartMs));
    const QProcessEnvironment env = m_desktop.environment();

    // The start-up check announces the three messages.
    QTRY_COMPARE_WITH_TIMEOUT(shown().size(), 1, kStartMs);
    QVERIFY(!m_desktop.hasWindowTitled(QStringLiteral("Orvane")));
    const QString id = shown().constFirst().section(QLatin1Char('|'), 0, 0);
    QCOMPARE(shown().constFirst(), id + QStringLiteral("|email.arrived|Dovecot - 3 new messages"));

    // More mail: the same notification says so, none is added.
    QVERIFY2(dovecot.deliverMessage(), qPrintable(dovecot.log()));
    QTRY_COMPARE_WITH_TIMEOUT(shown().size(), 2, (kShortInterval + 20) * 1000);
    QCOMPARE(shown().constLast(), id + QStringLiteral("|email.arrived|Dovecot - 4 new messages"));
    QCOMPARE(dunstCount(env, QStringLiteral("displayed")), 1);
    QCOMPARE(dunstCount(env, QStringLiteral("history")), 0);

    // Its "Clear Mail Count", chosen from the server's menu, clears.
    QCOMPARE(statusProperty(QStringLiteral("TotalCount")).toInt(), 4);
    QVERIFY(dunstctl(env, {QStringLiteral("context")}));
    QTRY_COMPARE_WITH_TIMEOUT(statusProperty(QStringLiteral("TotalCount")).toInt(), 0, 10000);

    // The next check finds the mail again and announces it; a click on the
    // notification opens Quick View.
    QTRY_COMPARE_WITH_TIMEOUT(shown().size(), 3, (kShortInterval + 20) * 1000);
    QVERIFY(!m_desktop.hasWindowTitled(QStringLiteral("Orvane - Quick View")));
    QVERIFY(dunstctl(env, {QStringLiteral("action"), QStringLiteral("0")}));
    QTRY_VERIFY_WITH_TIMEOUT(m_desktop.hasWindowTitled(QStringLiteral("Orvane - Quick View")),
                             10000);

    callShutdown(kStopMs);
    QVERIFY(m_quorvel->waitForFinished(kStopMs));
    QCOMPARE(m_quorvel->exitStatus(), QProcess::NormalExit);
    // The choice is saved after the accounts.
    const QByteArray saved = test::readFile(folder.accountListPath());
    QVERIFY2(saved.endsWith("\r\nTrue\r\n"), saved.right(40).constData());
}

QTEST_MAIN(QuorvelNotificationTest)
#include "QuorvelNotificationTest.moc"
