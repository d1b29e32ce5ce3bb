// The real notifier on a virtual desktop: one instance per user, the list
// written on every way out, and a save that cannot be half done.
#include "Desktop.h"
#include "ProgramFolder.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <QThread>
#include <memory>
#include <signal.h>
#include <sys/stat.h>
#include <vector>

using namespace orvane::e2e;

namespace {

const QString kService = QStringLiteral("org.orvane.Quorvel");
constexpr int kStartMs = 30000;
constexpr int kStopMs = 30000;

// A list this long takes the notifier long enough to write that a kill can
// land in the middle of the save.
constexpr int kManyAccounts = 200000;

// Blocks between the account count and the first account: settings (15),
// Quick View (4), tray skin (1), Quick Bar (5).
constexpr int kHeaderLines = 2 + 15 + 4 + 1 + 5;
constexpr int kAccountLines = 16;

enum class Stop
{
    UtilShutdown,
    Terminate
};

QDBusConnectionInterface* bus()
{
    return QDBusConnection::sessionBus().interface();
}

bool serviceOwned()
{
    return bus()->isServiceRegistered(kService).value();
}

QDBusMessage shutdownCall()
{
    return QDBusMessage::createMethodCall(kService, QStringLiteral("/Util"),
                                          QStringLiteral("org.orvane.Quorvel.Util"),
                                          QStringLiteral("Shutdown"));
}

QString accountName(int index)
{
    return QStringLiteral("Account %1").arg(index, 6, 10, QLatin1Char('0'));
}

QByteArray listFile(int accounts, const QString& wave)
{
    QByteArrayList lines{"1.6", QByteArray::number(accounts)};
    // Settings; line 9 (check at start-up) is False so nothing gets checked.
    lines << "0"
          << "2000"
          << "1000"
          << "2000"
          << "2800" << wave.toLocal8Bit() << ""
          << "True"
          << "False"
          << "True"
          << "False"
          << "2"
          << "0"
          << "True"
          << "False";
    lines << "2000"
          << "1000"
          << "2000"
          << "2800"; // Quick View
    lines << "<No Skin>";
    lines << "<Default>"
          << "False"
          << "0"
          << "0"
          << "False"; // Quick Bar
    for (int i = 0; i < accounts; ++i) {
        lines << accountName(i).toLatin1() << "127.0.0.1:9"
              << "60"
              << "30000"
              << "user"
              << ""
              << "True"
              << "00:00:00"
              << "1899-12-30"
              << "False"
              << "0"
              << "0"
              << "False"
              << "False"
              << ""
              << "False";
    }
    return lines.join("\r\n") + "\r\n";
}

// A list the notifier wrote whole: every block present, every line ended by
// CR LF, and the accounts in their order.
QString wholeListProblem(const QByteArray& content, int accounts)
{
    if (!content.endsWith("\r\n")) {
        return QStringLiteral("the last line is not ended");
    }
    const QByteArrayList lines = content.chopped(2).split('\n');
    const qsizetype expected = kHeaderLines + qsizetype(accounts) * kAccountLines;
    if (lines.size() != expected) {
        return QStringLiteral("%1 lines instead of %2").arg(lines.size()).arg(expected);
    }
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        if (!lines[i].endsWith('\r')) {
            return QStringLiteral("line %1 is not ended by CR LF").arg(i + 1);
        }
    }
    if (lines[0] != "1.6\r" || lines[1] != QByteArray::number(accounts) + '\r') {
        return QStringLiteral("the frame reads %1 / %2")
            .arg(QString::fromLatin1(lines[0]), QString::fromLatin1(lines[1]));
    }
    for (int i = 0; i < accounts; ++i) {
        const QByteArray name = lines[kHeaderLines + qsizetype(i) * kAccountLines];
        if (name.chopped(name.endsWith('\r') ? 1 : 0) != accountName(i).toLatin1()) {
            return QStringLiteral("account %1 is %2").arg(i).arg(QString::fromLatin1(name));
        }
    }
    return {};
}

// What changes in the Users folder when a save starts: a new file beside the
// list, or the list itself rewritten or replaced.
QByteArray usersFolderState(const QString& users)
{
    QByteArray state;
    for (const QString& name : QDir(users).entryList(QDir::Files | QDir::Hidden)) {
        struct stat info
        {};
        if (::stat(QFile::encodeName(users + QLatin1Char('/') + name).constData(), &info) == 0) {
            state += QFile::encodeName(name) + ' ' + QByteArray::number(qint64(info.st_ino)) + ' ' +
                     QByteArray::number(qint64(info.st_size)) + ' ' +
                     QByteArray::number(qint64(info.st_mtim.tv_nsec)) + '\n';
        }
    }
    return state;
}

} // namespace

Q_DECLARE_METATYPE(Stop)

class QuorvelLifecycleTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void cleanupTestCase();

    void secondStartLeavesTheFirstAlone();
    void everyWayOutSavesTheList_data();
    void everyWayOutSavesTheList();
    void killedSaveLeavesAWholeList_data();
    void killedSaveLeavesAWholeList();

private:
    QProcess* startQuorvel(const ProgramFolder& folder);
    bool waitForService(QProcess* quorvel, int timeoutMs);

    Desktop m_desktop;
    std::vector<std::unique_ptr<QProcess>> m_started;
};

void QuorvelLifecycleTest::initTestCase()
{
    if (!QDBusConnection::sessionBus().isConnected()) {
        QSKIP("No session bus: run the tests through scripts/test.sh, which gives them a "
              "private one.");
    }
    if (serviceOwned()) {
        QSKIP("org.orvane.Quorvel is taken on this bus: run the tests through scripts/test.sh, "
              "which gives them a private one.");
    }
    QVERIFY2(m_desktop.start(), qPrintable(m_desktop.errorString()));
}

void QuorvelLifecycleTest::cleanup()
{
    for (const auto& process : m_started) {
        if (process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished(kStopMs);
        }
    }
    m_started.clear();
    QTRY_VERIFY_WITH_TIMEOUT(!serviceOwned(), 5000);
}

void QuorvelLifecycleTest::cleanupTestCase()
{
    m_desktop.stop();
}

QProcess* QuorvelLifecycleTest::startQuorvel(const ProgramFolder& folder)
{
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(m_desktop.environment());
    process->setWorkingDirectory(folder.path());
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->start(folder.filePath(QStringLiteral("Quorvel")), {});
    m_started.push_back(std::move(process));
    return m_started.back().get();
}

bool QuorvelLifecycleTest::waitForService(QProcess* quorvel, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!serviceOwned()) {
        if (quorvel->state() == QProcess::NotRunning || deadline.hasExpired()) {
            return false;
        }
        QTest::qWait(50);
    }
    return true;
}

void QuorvelLifecycleTest::secondStartLeavesTheFirstAlone()
{
    const ProgramFolder folder;
    QVERIFY2(folder.isValid(), qPrintable(folder.errorString()));

    QProcess* first = startQuorvel(folder);
    QVERIFY2(waitForService(first, kStartMs), "the notifier never took its bus name");
    QCOMPARE(bus()->servicePid(kService).value(), uint(first->processId()));

    QProcess* second = startQuorvel(folder);
    QVERIFY2(second->waitForFinished(10000), "a second notifier stayed running");
    QCOMPARE(second->exitStatus(), QProcess::NormalExit);
    QCOMPARE(second->exitCode(), 0);

    QCOMPARE(first->state(), QProcess::Running);
    QCOMPARE(bus()->servicePid(kService).value(), uint(first->processId()));
    QTRY_COMPARE_WITH_TIMEOUT(m_desktop.trayIconCount(), 1, 10000);

    const QString screens = QStringLiteral(ORVANE_E2E_SCREEN_DIR);
    QVERIFY(QDir().mkpath(screens));
    const QString shot = screens + QStringLiteral("/QuorvelLifecycleTest-tray.png");
    QVERIFY2(m_desktop.screenshot(shot), qPrintable(shot));
    qInfo("tray screenshot: %s", qPrintable(shot));
}

void QuorvelLifecycleTest::everyWayOutSavesTheList_data()
{
    QTest::addColumn<Stop>("stop");
    QTest::newRow("Util.Shutdown") << Stop::UtilShutdown;
    QTest::newRow("SIGTERM") << Stop::Terminate;
}

void QuorvelLifecycleTest::everyWayOutSavesTheList()
{
    QFETCH(Stop, stop);
    const ProgramFolder folder;
    QVERIFY2(folder.isValid(), qPrintable(folder.errorString()));

    QProcess* quorvel = startQuorvel(folder);
    QVERIFY2(waitForService(quorvel, kStartMs), "the notifier never took its bus name");
    if (stop == Stop::UtilShutdown) {
        // The notifier may end before its reply leaves; the outcome is what counts.
        QDBusConnection::sessionBus().call(shutdownCall(), QDBus::Block, kStopMs);
    } else {
        ::kill(quorvel->processId(), SIGTERM);
    }
    QVERIFY2(quorvel->waitForFinished(kStopMs), "the notifier did not end");
    QCOMPARE(quorvel->exitStatus(), QProcess::NormalExit);

    const QString path = folder.accountListPath();
    struct stat info
    {};
    QVERIFY2(::stat(QFile::encodeName(path).constData(), &info) == 0, qPrintable(path));
    // Account passwords are in there, merely encoded.
    QCOMPARE(info.st_mode & 0777, mode_t(0600));

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray content = file.readAll();
    QVERIFY(content.startsWith("1.6\r\n0\r\n"));
    const QString problem = wholeListProblem(content, 0);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

void QuorvelLifecycleTest::killedSaveLeavesAWholeList_data()
{
    QTest::addColumn<int>("killAfterMs");
    QTest::newRow("as the save begins") << 0;
    QTest::newRow("during the save") << 30;
}

void QuorvelLifecycleTest::killedSaveLeavesAWholeList()
{
    QFETCH(int, killAfterMs);
    const ProgramFolder folder;
    QVERIFY2(folder.isValid(), qPrintable(folder.errorString()));
    const QString users = folder.filePath(QStringLiteral("Users"));
    QVERIFY(QDir().mkpath(users));
    const QString path = folder.accountListPath();
    const QByteArray old = listFile(kManyAccounts, folder.filePath(QStringLiteral("notify.wav")));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(old), old.size());
        QVERIFY(file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    }

    QProcess* quorvel = startQuorvel(folder);
    QVERIFY2(waitForService(quorvel, kStartMs), "the notifier never took its bus name");
    const QByteArray before = usersFolderState(users);
    QDBusConnection::sessionBus().asyncCall(shutdownCall());

    // Loading that many accounts takes a while; the Shutdown waits behind it.
    bool saving = false;
    const QDeadlineTimer deadline(120000);
    while (!deadline.hasExpired() && !quorvel->waitForFinished(1)) {
        if (usersFolderState(users) != before) {
            saving = true;
            break;
        }
    }
    if (saving) {
        QThread::msleep(killAfterMs);
        ::kill(quorvel->processId(), SIGKILL);
    }
    QVERIFY2(saving || quorvel->state() == QProcess::NotRunning,
             "the notifier neither saved nor ended after Shutdown");
    QVERIFY(quorvel->waitForFinished(kStopMs));
    if (quorvel->exitStatus() == QProcess::NormalExit) {
        qInfo("the save finished before the kill");
    }

    QFile file(path);
    QVERIFY2(file.open(QIODevice::ReadOnly), "the kill left no list file");
    const QByteArray content = file.readAll();
    if (content != old) {
        const QString problem = wholeListProblem(content, kManyAccounts);
        QVERIFY2(problem.isEmpty(), qPrintable(QStringLiteral("a torn list: ") + problem));
    }
}

QTEST_GUILESS_MAIN(QuorvelLifecycleTest)
#include "QuorvelLifecycleTest.moc"
