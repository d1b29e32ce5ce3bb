// The real notifier on a virtual desktop: one instance per user, the list
// written on every way out, and a save that cannot be half done.
#include "Desktop.h"
#include "FileHelpers.h"
#include "ProgramFolder.h"
#include "QuorvelBus.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>
#include <fcntl.h>
#include <memory>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace orvane::e2e;

namespace {

const QString kService = QStringLiteral("org.orvane.Quorvel");
constexpr int kStartMs = 30000;
constexpr int kStopMs = 30000;

// A list this long takes the notifier long enough to write that a kill can
// land in the middle of the save.
constexpr int kManyAccounts = 200000;

enum class Stop
{
    UtilShutdown,
    Terminate
};

QDBusConnectionInterface* bus()
{
    return QDBusConnection::sessionBus().interface();
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

// Nothing is checked: check at start-up is off and the accounts point at the
// discard port.
QByteArray listFile(int accounts, const QString& wave)
{
    QList<ListAccount> list;
    list.reserve(accounts);
    for (int i = 0; i < accounts; ++i)
        list.append({accountName(i).toLatin1(), "127.0.0.1:9", 60, 30000});
    return listFileContent({wave, true, false, true}, list);
}

// A list the notifier wrote whole: every block present, every line ended by
// CR LF, and the accounts in their order.
QString wholeListProblem(const QByteArray& content, int accounts)
{
    if (!content.endsWith("\r\n")) {
        return QStringLiteral("the last line is not ended");
    }
    const QByteArrayList lines = content.chopped(2).split('\n');
    const qsizetype expected =
        kFirstAccountLine + qsizetype(accounts) * kAccountLines + kLaterLines;
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
        const QByteArray name = lines[kFirstAccountLine + qsizetype(i) * kAccountLines];
        if (name.chopped(name.endsWith('\r') ? 1 : 0) != accountName(i).toLatin1()) {
            return QStringLiteral("account %1 is %2").arg(i).arg(QString::fromLatin1(name));
        }
    }
    return {};
}

// How far the notifier has written a file in the Users folder, or -1 while
// it has none open for writing there. Read from /proc because the new list
// may be an unnamed file until it is complete.
qint64 savePosition(qint64 pid, const QByteArray& users)
{
    const QString fds = QStringLiteral("/proc/%1/fd").arg(pid);
    const auto entries =
        QDir(fds).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& fd : entries) {
        char target[4096];
        const ssize_t length = ::readlink(
            QFile::encodeName(fds + QLatin1Char('/') + fd).constData(), target, sizeof target);
        if (length <= 0 || !QByteArray(target, length).startsWith(users + '/')) {
            continue;
        }
        QFile info(QStringLiteral("/proc/%1/fdinfo/%2").arg(pid).arg(fd));
        if (!info.open(QIODevice::ReadOnly)) {
            continue;
        }
        qint64 position = -1;
        int flags = 0;
        for (const QByteArray& line : info.readAll().split('\n')) {
            if (line.startsWith("pos:")) {
                position = line.mid(4).trimmed().toLongLong();
            } else if (line.startsWith("flags:")) {
                flags = line.mid(6).trimmed().toInt(nullptr, 8);
            }
        }
        if ((flags & O_ACCMODE) != O_RDONLY) {
            return position;
        }
    }
    return -1;
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
    void shutdownClosesTheDamagedListBox_data();
    void shutdownClosesTheDamagedListBox();

private:
    QProcess* startQuorvel(const ProgramFolder& folder);
    void stopQuorvel(QProcess* quorvel, Stop stop);
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
    if (quorvelOnBus()) {
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
    QTRY_VERIFY_WITH_TIMEOUT(!quorvelOnBus(), 5000);
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
    while (!quorvelOnBus()) {
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

void QuorvelLifecycleTest::stopQuorvel(QProcess* quorvel, Stop stop)
{
    if (stop == Stop::UtilShutdown) {
        // The notifier may end before its reply leaves; the outcome is what counts.
        QDBusConnection::sessionBus().call(shutdownCall(), QDBus::Block, kStopMs);
    } else {
        ::kill(quorvel->processId(), SIGTERM);
    }
    QVERIFY2(quorvel->waitForFinished(kStopMs), "the notifier did not end");
    QCOMPARE(quorvel->exitStatus(), QProcess::NormalExit);
}

void QuorvelLifecycleTest::everyWayOutSavesTheList()
{
    QFETCH(Stop, stop);
    const ProgramFolder folder;
    QVERIFY2(folder.isValid(), qPrintable(folder.errorString()));

    QProcess* quorvel = startQuorvel(folder);
    QVERIFY2(waitForService(quorvel, kStartMs), "the notifier never took its bus name");
    stopQuorvel(quorvel, stop);
    if (QTest::currentTestFailed())
        return;

    const QString path = folder.accountListPath();
    struct stat info = {};
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
    // The share of the old list's size the new one has reached at the kill.
    QTest::addColumn<double>("writtenShare");
    QTest::newRow("as the save begins") << 0.0;
    QTest::newRow("half way through") << 0.5;
    QTest::newRow("near the end") << 0.95;
}

void QuorvelLifecycleTest::killedSaveLeavesAWholeList()
{
    QFETCH(double, writtenShare);
    const ProgramFolder folder;
    QVERIFY2(folder.isValid(), qPrintable(folder.errorString()));
    const QString users = folder.filePath(QStringLiteral("Users"));
    QVERIFY(QDir().mkpath(users));
    const QString path = folder.accountListPath();
    const QByteArray old = listFile(kManyAccounts, folder.filePath(QStringLiteral("notify.wav")));
    orvane::test::writeFile(path, old, 0600);

    QProcess* quorvel = startQuorvel(folder);
    QVERIFY2(waitForService(quorvel, kStartMs), "the notifier never took its bus name");
    QDBusConnection::sessionBus().asyncCall(shutdownCall());

    // Loading that many accounts takes a while; the Shutdown waits behind it.
    const QByteArray realUsers = QFile::encodeName(QFileInfo(users).canonicalFilePath());
    const qint64 killAt = qint64(writtenShare * double(old.size()));
    qint64 written = -1;
    const QDeadlineTimer deadline(120000);
    while (!deadline.hasExpired() && !quorvel->waitForFinished(1)) {
        written = savePosition(quorvel->processId(), realUsers);
        if (written >= killAt) {
            ::kill(quorvel->processId(), SIGKILL);
            break;
        }
    }
    // The save may end the program between two looks at it, and waiting on a
    // program that has ended reports a failure.
    QVERIFY2(quorvel->state() == QProcess::NotRunning || quorvel->waitForFinished(kStopMs),
             "the notifier neither saved nor ended");
    if (quorvel->exitStatus() == QProcess::NormalExit) {
        qInfo("the save finished before the kill");
    } else {
        qInfo("killed with %lld of %lld bytes written", written, qint64(old.size()));
    }

    QFile file(path);
    QVERIFY2(file.open(QIODevice::ReadOnly), "the kill left no list file");
    const QByteArray content = file.readAll();
    if (content != old) {
        const QString problem = wholeListProblem(content, kManyAccounts);
        QVERIFY2(problem.isEmpty(), qPrintable(QStringLiteral("a torn list: ") + problem));
    }
}

void QuorvelLifecycleTest::shutdownClosesTheDamagedListBox_data()
{
    everyWayOutSavesTheList_data();
}

void QuorvelLifecycleTest::shutdownClosesTheDamagedListBox()
{
    QFETCH(Stop, stop);
    const ProgramFolder folder;
    QVERIFY2(folder.isValid(), qPrintable(folder.errorString()));
    const QString path = folder.accountListPath();
    // Two accounts promised, one there: the box about the damage comes up.
    const QByteArray damaged = listFileContent({}, {{accountName(0).toLatin1(), "127.0.0.1:9"}})
                                   .replace("1.6\r\n1\r\n", "1.6\r\n2\r\n");
    orvane::test::writeFile(path, damaged, 0600);

    QProcess* quorvel = startQuorvel(folder);
    QVERIFY2(waitForService(quorvel, kStartMs), "the notifier never took its bus name");
    QTRY_VERIFY_WITH_TIMEOUT(m_desktop.hasWindowTitled(QStringLiteral("Orvane")), 10000);
    stopQuorvel(quorvel, stop);
    if (QTest::currentTestFailed())
        return;

    QFile kept(path + QStringLiteral(".damaged"));
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), damaged);
    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QString problem = wholeListProblem(saved.readAll(), 1);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

QTEST_GUILESS_MAIN(QuorvelLifecycleTest)
#include "QuorvelLifecycleTest.moc"
