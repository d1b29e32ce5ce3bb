// The notifier with 1,000 IMAP accounts waiting in IDLE on a local Dovecot,
// each on a folder of its own. Run by imap-idle.sh, which gives it a
// display, a tray and a session bus.
//   imap-idle-bench <program folder copy> [accounts]   (1000)
// Reports the time until every account waits, the notifier's threads and
// resident memory, its wake-ups over 60 s in which no server speaks, and
// how soon a message delivered into one folder shows in the notifier's
// total. Targets: at most 16 threads, under 120 MB, no wake-ups, under 1 s.
#include "DovecotServer.h"
#include "platform/AnsiText.h"

#include <QCoreApplication>
#include <QDBusInterface>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <pwd.h>
#include <unistd.h>

using namespace orvane;

namespace {

constexpr int kQuietSeconds = 60;
constexpr int kMaxThreads = 16;
constexpr double kMaxResidentMb = 120;
constexpr qint64 kMaxAnnounceMs = 1000;

QString logonName()
{
    const passwd* entry = ::getpwuid(::getuid());
    return entry ? QString::fromLocal8Bit(entry->pw_name) : QString();
}

QString folderOf(int account)
{
    return QStringLiteral("box%1").arg(account);
}

// No check at start-up and an hour between checks: only push reads mail.
QByteArray listFile(const DovecotServer& dovecot, int accounts)
{
    QStringList lines{"1.6", QString::number(accounts)};
    lines << QStringList{"0",     "2000",  "1000",  "2000", "2800", "",     "",     "False",
                         "False", "False", "False", "2",    "0",    "True", "False"};
    lines << QStringList{"2000",      "1000",  "2000", "2800", "<No Skin>",
                         "<Default>", "False", "0",    "0",    "False"};
    for (int i = 0; i < accounts; ++i) {
        lines << QStringLiteral("Account %1").arg(i)
              << QStringLiteral("imap+plain://127.0.0.1:%1/%2")
                     .arg(dovecot.imapPort())
                     .arg(folderOf(i))
              << QStringLiteral("60") << QStringLiteral("3600") << dovecot.userName()
              << encodePassword(dovecot.password()) << QStringLiteral("True")
              << QStringLiteral("00:00:00") << QStringLiteral("1899-12-30")
              << QStringLiteral("False") << QStringLiteral("0") << QStringLiteral("0")
              << QStringLiteral("False") << QStringLiteral("False") << QString()
              << QStringLiteral("False");
    }
    return encodeLines(lines);
}

qint64 statusField(qint64 pid, const char* key)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(qstrlen(key)).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// Every context switch of every thread: each one is a wake-up.
qint64 switches(qint64 pid)
{
    qint64 total = 0;
    const QString tasks = QStringLiteral("/proc/%1/task").arg(pid);
    for (const QString& task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile status(tasks + QLatin1Char('/') + task + QStringLiteral("/status"));
        if (!status.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.contains("ctxt_switches:"))
                total += line.mid(line.indexOf(':') + 1).trimmed().toLongLong();
        }
    }
    return total;
}

// Established connections to `port` seen from the client side.
int connectionsTo(quint16 port)
{
    int count = 0;
    for (const char* table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
        QFile file(QString::fromLatin1(table));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray remote =
            ':' + QByteArray::number(port, 16).toUpper().rightJustified(4, '0');
        for (const QByteArray& line : file.readAll().split('\n')) {
            const QList<QByteArray> fields = line.simplified().split(' ');
            if (fields.size() > 3 && fields.at(2).endsWith(remote) && fields.at(3) == "01")
                ++count;
        }
    }
    return count;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: imap-idle-bench <program folder> [accounts]\n");
        return 2;
    }
    const QString folder = args.at(1);
    const int accounts = args.size() > 2 ? args.at(2).toInt() : 1000;

    DovecotServer dovecot;
    DovecotServer::Options options;
    options.messages = 0;
    options.imap = true;
    options.imapConnections = accounts;
    // Dovecot's own "still here" would wake every waiting client; the quiet
    // minute is measured between two of them.
    options.idleNotifySeconds = 25 * 60;
    for (int i = 0; i < accounts; ++i)
        options.folders << folderOf(i);
    const auto started = dovecot.start(options);
    if (started.outcome != DovecotServer::Outcome::Running) {
        std::fprintf(stderr, "Dovecot: %s\n", qPrintable(started.reason));
        return started.outcome == DovecotServer::Outcome::Skipped ? 0 : 1;
    }
    QDir().mkpath(folder + QStringLiteral("/Users"));
    QFile list(folder + QStringLiteral("/Users/Quorvel") + logonName() + QStringLiteral(".svl"));
    if (!list.open(QIODevice::WriteOnly) || list.write(listFile(dovecot, accounts)) < 0) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(list.fileName()));
        return 1;
    }
    list.close();
    list.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);

    QProcess notifier;
    notifier.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    notifier.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    notifier.start(folder + QStringLiteral("/Quorvel"), {});
    if (!notifier.waitForStarted()) {
        std::fprintf(stderr, "the notifier did not start: %s\n",
                     qPrintable(notifier.errorString()));
        return 1;
    }
    const qint64 pid = notifier.processId();
    const auto stop = [&notifier] {
        notifier.terminate();
        if (!notifier.waitForFinished(20000))
            notifier.kill();
    };

    int waiting = 0;
    while ((waiting = connectionsTo(dovecot.imapPort())) < accounts && clock.elapsed() < 300000) {
        if (notifier.state() == QProcess::NotRunning) {
            std::fprintf(stderr, "the notifier ended (exit code %d)\n", notifier.exitCode());
            return 1;
        }
        QThread::msleep(200);
    }
    std::printf("%d of %d accounts connected after %.1f s\n", waiting, accounts,
                clock.elapsed() / 1000.0);
    // Idle worker threads end after 30 s; that is the last thing the
    // notifier does of its own accord.
    QThread::sleep(45);

    const qint64 threads = QDir(QStringLiteral("/proc/%1/task").arg(pid))
                               .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
                               .size();
    const qint64 before = switches(pid);
    QThread::sleep(kQuietSeconds);
    const qint64 wakeUps = switches(pid) - before;
    const double residentMb = statusField(pid, "VmRSS:") / 1024.0;
    const int stillWaiting = connectionsTo(dovecot.imapPort());

    QDBusInterface status(QStringLiteral("org.orvane.Quorvel"), QStringLiteral("/Status"),
                          QStringLiteral("org.orvane.Quorvel.Status"));
    // One of the first accounts: Dovecot sees a delivery at once only in the
    // mail processes that got an inotify instance (128 per user by default);
    // the others look at their folder every 30 s.
    const int chosen = std::min(3, accounts - 1);
    QElapsedTimer announced;
    announced.start();
    dovecot.deliverMessage(false, folderOf(chosen));
    qint64 announceMs = -1;
    while (announced.elapsed() < 10000) {
        if (status.property("TotalCount").toInt() >= 1) {
            announceMs = announced.elapsed();
            break;
        }
        QThread::msleep(5);
    }
    stop();

    std::printf("threads: %lld (at most %d)\n", threads, kMaxThreads);
    std::printf("resident memory: %.1f MB (under %.0f)\n", residentMb, kMaxResidentMb);
    std::printf("wake-ups in %d s of quiet: %lld (all threads; none wanted), %d connections "
                "waiting\n",
                kQuietSeconds, wakeUps, stillWaiting);
    std::printf("delivered message in the total after: %lld ms (under %lld)\n", announceMs,
                kMaxAnnounceMs);
    const bool met = waiting >= accounts && threads <= kMaxThreads && residentMb < kMaxResidentMb &&
                     wakeUps == 0 && announceMs >= 0 && announceMs < kMaxAnnounceMs;
    std::printf("%s\n", met ? "targets met" : "targets MISSED");
    return met ? 0 : 1;
}
