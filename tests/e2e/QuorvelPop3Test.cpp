// The real notifier against a real POP3 server on a virtual desktop: it
// finds the mail at start-up and shows it in the tray and on /Status, checks
// again on each account's own interval, clears on request and saves the
// accounts on shutdown.
#include "Desktop.h"
#include "DovecotServer.h"
#include "FileHelpers.h"
#include "ProgramFolder.h"
#include "QuorvelBus.h"
#include "ScreenMatch.h"

#include <QDBusConnection>
#include <QDate>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTest>
#include <limits>
#include <memory>

using namespace orvane;
using namespace orvane::e2e;

namespace {

constexpr int kStartMs = 30000;
constexpr int kStopMs = 30000;

ListAccount dovecotAccount(const DovecotServer& dovecot, const QByteArray& name, int interval)
{
    return {name,     dovecot.address().toLatin1(),  30,
            interval, dovecot.userName().toLatin1(), dovecot.password()};
}

} // namespace

class QuorvelPop3Test : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void cleanupTestCase();
    void showsMailFoundClearsAndSaves();
    void checksAtStartupAndOnItsInterval();

private:
    bool startQuorvel(const ProgramFolder& folder, const QByteArray& list);
    bool shutDownQuorvel();

    Desktop m_desktop;
    std::unique_ptr<QProcess> m_quorvel;
};

void QuorvelPop3Test::initTestCase()
{
    if (!QDBusConnection::sessionBus().isConnected())
        QSKIP("No session bus: run the tests through scripts/test.sh.");
    if (quorvelOnBus())
        QSKIP("org.orvane.Quorvel is taken on this bus: run the tests through scripts/test.sh.");
    QVERIFY2(m_desktop.start(), qPrintable(m_desktop.errorString()));
}

void QuorvelPop3Test::cleanup()
{
    if (m_quorvel && m_quorvel->state() != QProcess::NotRunning) {
        m_quorvel->kill();
        m_quorvel->waitForFinished(kStopMs);
    }
    m_quorvel.reset();
}

void QuorvelPop3Test::cleanupTestCase()
{
    m_desktop.stop();
}

// Writes the list and starts the notifier from the folder; true once it owns
// its bus name.
bool QuorvelPop3Test::startQuorvel(const ProgramFolder& folder, const QByteArray& list)
{
    if (!folder.isValid() || !orvane::test::saveFile(folder.accountListPath(), list))
        return false;

    m_quorvel = std::make_unique<QProcess>();
    return orvane::e2e::startQuorvel(*m_quorvel, folder.path(), m_desktop.environment(), kStartMs);
}

bool QuorvelPop3Test::shutDownQuorvel()
{
    callShutdown(kStopMs);
    return m_quorvel->waitForFinished(kStopMs) && m_quorvel->exitStatus() == QProcess::NormalExit;
}

void QuorvelPop3Test::showsMailFoundClearsAndSaves()
{
    DovecotServer dovecot;
    ORVANE_START_DOVECOT(dovecot, DovecotServer::Options{});
    const ProgramFolder folder;
    QVERIFY2(folder.isValid(), qPrintable(folder.errorString()));
    const ListSettings settings{folder.filePath(QStringLiteral("notify.wav")), true, true, true};
    QVERIFY(startQuorvel(folder,
                         listFileContent(settings, {dovecotAccount(dovecot, "Dovecot", 3600)})));

    QTRY_COMPARE_WITH_TIMEOUT(statusProperty(QStringLiteral("TotalCount")).toInt(), 3, kStartMs);
    QCOMPARE(statusProperty(QStringLiteral("ToolTip")).toString(),
             QStringLiteral("Orvane - 3 Messages Found."));
    QCOMPARE(statusProperty(QStringLiteral("Checking")).toBool(), false);
    // A plain POP3 account loads no TLS: neither Qt's back end nor OpenSSL.
    QFile maps(QStringLiteral("/proc/%1/maps").arg(m_quorvel->processId()));
    QVERIFY(maps.open(QIODevice::ReadOnly));
    const QByteArray mapped = maps.readAll();
    for (const char* library : {"libssl", "libcrypto", "opensslbackend"})
        QVERIFY2(!mapped.contains(library), library);

    const QDBusMessage accounts = callStatus(QStringLiteral("Accounts"));
    QCOMPARE(accounts.signature(), QStringLiteral("a(ssss)"));

    // The tray shows the mail-found picture (compared loosely: the panel
    // scales it and blends its edges).
    const QImage found(qEnvironmentVariable("ORVANE_SOURCE_DIR") +
                       QStringLiteral("/resources/102.png"));
    const QImage idle(qEnvironmentVariable("ORVANE_SOURCE_DIR") +
                      QStringLiteral("/resources/101.png"));
    QVERIFY(!found.isNull() && !idle.isNull());
    const QString screens = QStringLiteral(ORVANE_E2E_SCREEN_DIR);
    QVERIFY(QDir().mkpath(screens));
    const QString shot = screens + QStringLiteral("/QuorvelPop3Test-found.png");
    double foundScore = 0;
    double idleScore = 0;
    // The new-mail popup sits in the same corner for its 10 seconds: this
    // desktop has no panel that keeps windows off the tray.
    const QDeadlineTimer deadline(20000);
    do {
        QTest::qWait(300);
        QVERIFY2(m_desktop.screenshot(shot), qPrintable(shot));
        const QImage screen = QImage(shot).convertToFormat(QImage::Format_ARGB32);
        QVERIFY(!screen.isNull());
        foundScore = bestMatch(screen, found);
        idleScore = bestMatch(screen, idle);
    } while ((foundScore >= 30 || foundScore >= idleScore) && !deadline.hasExpired());
    qInfo("tray screenshot: %s (mail found %.1f, idle %.1f)", qPrintable(shot), foundScore,
          idleScore);
    QVERIFY2(foundScore < 30, "the mail-found picture is not in the tray");
    QVERIFY2(foundScore < idleScore, "the tray looks more like the idle picture");

    QCOMPARE(callStatus(QStringLiteral("ClearAll")).type(), QDBusMessage::ReplyMessage);
    QCOMPARE(statusProperty(QStringLiteral("TotalCount")).toInt(), 0);

    QVERIFY2(shutDownQuorvel(), "the notifier did not end");

    QFile list(folder.accountListPath());
    QVERIFY(list.open(QIODevice::ReadOnly));
    const QByteArrayList lines = list.readAll().split('\n');
    QVERIFY(lines.size() > kFirstAccountLine + 15);
    QCOMPARE(lines.at(1).trimmed(), QByteArray("1"));
    QCOMPARE(lines.at(kFirstAccountLine).trimmed(), QByteArray("Dovecot"));
    QCOMPARE(lines.at(kFirstAccountLine + 5).trimmed(), encodePassword(dovecot.password()));
    // Checked once, and the cleared count is the new baseline.
    QCOMPARE(lines.at(kFirstAccountLine + 9).trimmed(), QByteArray("True"));
    QCOMPARE(lines.at(kFirstAccountLine + 10).trimmed(), QByteArray("3"));
}

void QuorvelPop3Test::checksAtStartupAndOnItsInterval()
{
    // One account is due again within the test, the other only long after
    // it, so its count can only come from the check at start-up.
    constexpr int kShortInterval = 3;
    constexpr int kLongInterval = 3600;
    DovecotServer dovecot;
    ORVANE_START_DOVECOT(dovecot, DovecotServer::Options{});
    const ProgramFolder folder;
    QVERIFY2(folder.isValid(), qPrintable(folder.errorString()));
    const QDate firstDay = QDate::currentDate();
    QVERIFY(
        startQuorvel(folder, listFileContent({QString(), false, true, false},
                                             {dovecotAccount(dovecot, "Hourly", kLongInterval),
                                              dovecotAccount(dovecot, "Often", kShortInterval)})));

    // The start-up check finds the three messages for both accounts.
    QTRY_COMPARE_WITH_TIMEOUT(statusProperty(QStringLiteral("TotalCount")).toInt(), 3 + 3,
                              kStartMs);

    // The new message is found by the check the short interval brings, and
    // only by that one.
    QVERIFY2(dovecot.deliverMessage(), qPrintable(dovecot.log()));
    QTRY_COMPARE_WITH_TIMEOUT(statusProperty(QStringLiteral("TotalCount")).toInt(), 3 + 4,
                              (kShortInterval + 20) * 1000);

    QVERIFY2(shutDownQuorvel(), "the notifier did not end");
    const QDate lastDay = QDate::currentDate();

    QFile list(folder.accountListPath());
    QVERIFY(list.open(QIODevice::ReadOnly));
    const QByteArrayList lines = list.readAll().split('\n');
    QVERIFY(lines.size() > kFirstAccountLine + 2 * kAccountLines - 1);
    for (int account = 0; account < 2; ++account) {
        const int first = kFirstAccountLine + account * kAccountLines;
        // Checked at least once, on the day of this test; nothing was cleared,
        // so no message counts as old.
        QCOMPARE(lines.at(first + 9).trimmed(), QByteArray("True"));
        const QDate checked = QDate::fromString(QString::fromLatin1(lines.at(first + 8).trimmed()),
                                                QStringLiteral("yyyy-MM-dd"));
        QVERIFY2(checked >= firstDay && checked <= lastDay, lines.at(first + 8).constData());
        QCOMPARE(lines.at(first + 10).trimmed(), QByteArray("0"));
    }
}

QTEST_GUILESS_MAIN(QuorvelPop3Test)
#include "QuorvelPop3Test.moc"
