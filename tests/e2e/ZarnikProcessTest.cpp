// The real utility with the real notifier on a virtual desktop: start mode
// starts the notifier from the program folder when the user's choice says
// so, and shutdown mode makes a running one save and end.
#include "Desktop.h"
#include "FileHelpers.h"
#include "ProgramFolder.h"
#include "QuorvelBus.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTest>
#include <csignal>
#include <pwd.h>
#include <unistd.h>

using namespace orvane::e2e;
using orvane::test::readFile;
using orvane::test::writeFile;

namespace {

constexpr int kStartMs = 30000;
constexpr int kStopMs = 30000;

QString logonName()
{
    const passwd* user = getpwuid(getuid());
    return user ? QString::fromLocal8Bit(user->pw_name).trimmed() : QString();
}

uint quorvelPid()
{
    return QDBusConnection::sessionBus()
        .interface()
        ->servicePid(QString::fromLatin1(kQuorvelService))
        .value();
}

bool processEnded(uint pid)
{
    // The notifier is not the test's child: once ended, it is gone from
    // /proc or waits there as a zombie for whoever adopted it.
    const QByteArray stat = readFile(QStringLiteral("/proc/%1/stat").arg(pid));
    const qsizetype close = stat.lastIndexOf(')');
    return stat.isEmpty() || (close > 0 && stat.mid(close + 2, 1) == "Z");
}

} // namespace

class ZarnikProcessTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void cleanupTestCase();

    void startModeFollowsTheChoiceAndShutdownSaves_data();
    void startModeFollowsTheChoiceAndShutdownSaves();

private:
    // Runs the utility to its end; false when it hangs or fails.
    bool runZarnik(const ProgramFolder& folder, const QStringList& arguments, int timeoutMs);

    Desktop m_desktop;
    uint m_notifier = 0;
};

void ZarnikProcessTest::initTestCase()
{
    if (!QDBusConnection::sessionBus().isConnected()) {
        QSKIP("No session bus: run the tests through scripts/test.sh, which gives them a "
              "private one.");
    }
    if (quorvelOnBus()) {
        QSKIP("org.orvane.Quorvel is taken on this bus: run the tests through scripts/test.sh, "
              "which gives them a private one.");
    }
    QVERIFY2(m_desktop.start(), qPrintable(m_desktop.errorString()));
}

void ZarnikProcessTest::cleanup()
{
    if (m_notifier != 0 && !processEnded(m_notifier))
        ::kill(pid_t(m_notifier), SIGKILL);
    m_notifier = 0;
    QTRY_VERIFY_WITH_TIMEOUT(!quorvelOnBus(), 5000);
}

void ZarnikProcessTest::cleanupTestCase()
{
    m_desktop.stop();
}

bool ZarnikProcessTest::runZarnik(const ProgramFolder& folder, const QStringList& arguments,
                                  int timeoutMs)
{
    QProcess zarnik;
    zarnik.setProcessEnvironment(m_desktop.environment());
    // Started from elsewhere, as a log-on would: the folder is its own.
    zarnik.setWorkingDirectory(QDir::rootPath());
    zarnik.setProcessChannelMode(QProcess::ForwardedChannels);
    zarnik.start(folder.filePath(QStringLiteral("Zarnik")), arguments);
    return zarnik.waitForFinished(timeoutMs) && zarnik.exitStatus() == QProcess::NormalExit &&
           zarnik.exitCode() == 0;
}

void ZarnikProcessTest::startModeFollowsTheChoiceAndShutdownSaves_data()
{
    QTest::addColumn<QByteArray>("perUser"); // null: no file
    QTest::addColumn<QByteArray>("fallback");
    QTest::addColumn<bool>("starts");
    const QByteArray user = logonName().toLocal8Bit();
    QTest::newRow("no choice stored yet") << QByteArray() << QByteArray("False\r\n") << true;
    QTest::newRow("ticked") << "someone\r\nFalse\r\n" + user + "\r\nTrue\r\n"
                            << QByteArray() << true;
    QTest::newRow("cleared") << "someone\r\nTrue\r\n" + user + "\r\nFalse\r\n"
                             << QByteArray() << false;
}

void ZarnikProcessTest::startModeFollowsTheChoiceAndShutdownSaves()
{
    QFETCH(QByteArray, perUser);
    QFETCH(QByteArray, fallback);
    QFETCH(bool, starts);
    const ProgramFolder folder;
    QVERIFY2(folder.isValid(), qPrintable(folder.errorString()));
    const QString perUserPath = folder.filePath(QStringLiteral("Zarnik.cfg"));
    if (!perUser.isNull())
        writeFile(perUserPath, perUser, 0644);
    if (!fallback.isNull())
        writeFile(folder.filePath(QStringLiteral("ZarnikD.cfg")), fallback, 0644);

    QVERIFY2(runZarnik(folder, {QStringLiteral("/startup")}, 10000),
             "the utility did not end cleanly in start mode");
    if (!starts) {
        // A notifier it had started would be on the bus well within this.
        QTest::qWait(2000);
        if (quorvelOnBus())
            m_notifier = quorvelPid();
        QCOMPARE(m_notifier, 0u);
        QCOMPARE(readFile(perUserPath), perUser);
        // With no notifier to ask, shutdown mode ends at once and starts none.
        QElapsedTimer took;
        took.start();
        QVERIFY2(runZarnik(folder, {}, 10000), "the utility did not end cleanly");
        QVERIFY2(took.elapsed() < 5000, qPrintable(QString::number(took.elapsed())));
        QVERIFY(!quorvelOnBus());
        return;
    }

    QTRY_VERIFY_WITH_TIMEOUT(quorvelOnBus(), kStartMs);
    m_notifier = quorvelPid();
    QVERIFY(m_notifier != 0);
    const QString started =
        QFileInfo(QStringLiteral("/proc/%1/exe").arg(m_notifier)).symLinkTarget();
    QCOMPARE(started, QFileInfo(folder.filePath(QStringLiteral("Quorvel"))).canonicalFilePath());

    QVERIFY2(runZarnik(folder, {}, kStopMs), "the utility did not end cleanly in shutdown mode");
    QTRY_VERIFY_WITH_TIMEOUT(processEnded(m_notifier), kStopMs);
    QVERIFY(!quorvelOnBus());
    QVERIFY(readFile(folder.accountListPath()).startsWith("1.6\r\n0\r\n"));
    const QByteArray kept = readFile(perUserPath);
    QVERIFY2(kept.endsWith(logonName().toLocal8Bit() + "\r\nTrue\r\n"), kept.constData());
}

QTEST_GUILESS_MAIN(ZarnikProcessTest)
#include "ZarnikProcessTest.moc"
