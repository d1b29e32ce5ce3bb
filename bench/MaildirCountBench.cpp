// Counting a large Maildir through the MS Exchange checker, as the notifier
// does: the walk runs on a worker pool while this thread, standing in for
// the user-interface thread, keeps a 5 ms timer running.
//   maildir-count-bench [unread] [rounds]     (defaults 100000 and 5)
// Half the unread messages lie in new/, half in cur/ without the seen flag,
// beside as many seen ones. Reports, per round, the time from CheckForMail
// to the count and the worst lateness of the timer meanwhile (the event
// loop's latency, which bounds how late the tray can answer a bus call).
// Targets: the count is right, under 0.5 s, lateness under 50 ms.
#include "checkers/MAPIServer.h"
#include "checkers/ProfileMapi.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QTimer>
#include <algorithm>
#include <cstdio>

using namespace orvane;

namespace {

bool touch(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("Subject: x\n\nBody\n") > 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int unread = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;

    QTemporaryDir dir;
    const QString maildir = dir.filePath(QStringLiteral("Maildir"));
    for (const char* folder : {"new", "cur", "tmp"})
        QDir().mkpath(maildir + QLatin1Char('/') + QLatin1String(folder));
    for (int i = 0; i < unread; ++i) {
        const QString unique = QStringLiteral("%1.M%2P1.bench").arg(1700000000 + i).arg(i);
        const QString path = i % 2 ? QStringLiteral("%1/new/%2").arg(maildir, unique)
                                   : QStringLiteral("%1/cur/%2:2,F").arg(maildir, unique);
        if (!touch(path) || !touch(QStringLiteral("%1/cur/%2.seen:2,S").arg(maildir, unique))) {
            std::fprintf(stderr, "cannot write the Maildir\n");
            return 2;
        }
    }
    const QString store = dir.filePath(QStringLiteral("profiles.ini"));
    QFile profiles(store);
    if (!profiles.open(QIODevice::WriteOnly) ||
        profiles.write(QStringLiteral("[Home]\nMailbox=maildir:%1\n").arg(maildir).toUtf8()) < 0)
        return 2;
    profiles.close();

    QThreadPool pool;
    pool.setMaxThreadCount(4);
    bool allMet = true;
    for (int round = 1; round <= rounds; ++round) {
        MAPIServer checker(pool,
                           [store] { return std::make_unique<ProfileMapi>(ProfileStore(store)); });
        QElapsedTimer elapsed;
        QElapsedTimer sinceTick;
        qint64 worstLate = 0;
        qint32 counted = -1;
        QTimer tick;
        tick.setTimerType(Qt::PreciseTimer);
        tick.setInterval(5);
        QObject::connect(&tick, &QTimer::timeout,
                         [&] { worstLate = std::max(worstLate, sinceTick.restart() - 5); });
        QEventLoop done;
        QObject::connect(&checker, &MailChecker::MailFound, [&](qint32 count) {
            counted = count;
            done.quit();
        });
        QObject::connect(&checker, &MailChecker::error, [&](const QString& text) {
            std::fprintf(stderr, "error: %s\n", qPrintable(text));
            done.quit();
        });
        sinceTick.start();
        tick.start();
        elapsed.start();
        checker.CheckForMail(QStringLiteral("MS Exchange - Windows Account"),
                             QStringLiteral("Home"), QString(), false);
        // The call itself is part of what the user-interface thread spends.
        worstLate = std::max(worstLate, sinceTick.restart() - 5);
        done.exec();
        const qint64 ms = elapsed.elapsed();
        const bool met = counted == unread && ms < 500 && worstLate < 50;
        allMet = allMet && met;
        std::printf("round %d: counted %d of %d in %lld ms, event loop at most %lld ms late%s\n",
                    round, counted, unread, static_cast<long long>(ms),
                    static_cast<long long>(worstLate), met ? "" : "  (target missed)");
    }
    return allMet ? 0 : 1;
}
