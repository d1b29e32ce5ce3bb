// The notifier checking many POP3 accounts on a short interval for a long
// time, against a local Dovecot: its resident memory, sampled every ten
// seconds, must settle. Run by pop3-soak.sh, which gives it a display, a
// tray and a session bus.
//   pop3-soak-bench <program folder copy> [minutes] [accounts]   (30, 50)
// Every account is checked once a second. Reports the memory curve, the
// logins Dovecot saw and the growth from the end of the warm-up (minute 5,
// or a sixth of a shorter run) to the end.
// Target: less than 2 MB of growth after the warm-up.
#include "DovecotServer.h"
#include "platform/AnsiText.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <pwd.h>
#include <unistd.h>

using namespace orvane;

namespace {

constexpr int kSampleSeconds = 10;
constexpr double kTargetGrowthMb = 2.0;

QString logonName()
{
    const passwd* entry = ::getpwuid(::getuid());
    return entry ? QString::fromLocal8Bit(entry->pw_name) : QString();
}

// As the notifier writes it: no check at start-up is skipped, no sound.
QByteArray listFile(const DovecotServer& dovecot, int accounts)
{
    QStringList lines{"1.6", QString::number(accounts)};
    lines << QStringList{"0",    "2000", "1000",  "2000", "2800", "",     "",     "False",
                         "True", "True", "False", "2",    "0",    "True", "False"};
    lines << QStringList{"2000",      "1000",  "2000", "2800", "<No Skin>",
                         "<Default>", "False", "0",    "0",    "False"};
    for (int i = 0; i < accounts; ++i) {
        lines << QStringLiteral("Account %1").arg(i) << dovecot.address() << QStringLiteral("60")
              << QStringLiteral("1") << dovecot.userName() << encodePassword(dovecot.password())
              << QStringLiteral("True") << QStringLiteral("00:00:00")
              << QStringLiteral("1899-12-30") << QStringLiteral("False") << QStringLiteral("0")
              << QStringLiteral("0") << QStringLiteral("False") << QStringLiteral("False")
              << QString() << QStringLiteral("False");
    }
    return encodeLines(lines);
}

double residentMb(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: pop3-soak-bench <program folder> [minutes] [accounts]\n");
        return 2;
    }
    const QString folder = args.at(1);
    const double minutes = args.size() > 2 ? args.at(2).toDouble() : 30;
    const int accounts = args.size() > 3 ? args.at(3).toInt() : 50;
    const qint64 warmUpSeconds = qint64(std::min(5.0, minutes / 6) * 60);

    DovecotServer dovecot;
    const auto started = dovecot.start({3, false});
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
    notifier.start(folder + QStringLiteral("/Quorvel"), {});
    if (!notifier.waitForStarted()) {
        std::fprintf(stderr, "the notifier did not start: %s\n",
                     qPrintable(notifier.errorString()));
        return 1;
    }
    const qint64 pid = notifier.processId();

    QElapsedTimer clock;
    clock.start();
    double atWarmUp = -1;
    double last = -1;
    double peak = 0;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, &app, [&] {
        const qint64 seconds = (clock.elapsed() + 500) / 1000;
        last = residentMb(pid);
        if (last < 0) {
            std::fprintf(stderr, "the notifier is gone (exit code %d)\n", notifier.exitCode());
            app.exit(1);
            return;
        }
        peak = std::max(peak, last);
        if (atWarmUp < 0 && seconds >= warmUpSeconds)
            atWarmUp = last;
        const int logins = int(dovecot.log().count(QStringLiteral("Login:")));
        std::printf("%6lld s  %7.1f MB  %7d logins\n", seconds, last, logins);
        std::fflush(stdout);
        if (seconds >= qint64(minutes * 60))
            app.quit();
    });
    std::printf("%d accounts, checked every second, for %.1f minutes\n", accounts, minutes);
    sampler.start(kSampleSeconds * 1000);
    const int failed = app.exec();
    notifier.terminate();
    if (!notifier.waitForFinished(10000))
        notifier.kill();
    if (failed)
        return failed;

    const double growth = last - atWarmUp;
    std::printf("resident memory at %lld s: %.1f MB, at the end: %.1f MB, peak %.1f MB\n",
                warmUpSeconds, atWarmUp, last, peak);
    std::printf("growth after the warm-up: %.2f MB (target under %.1f MB)\n", growth,
                kTargetGrowthMb);
    return growth < kTargetGrowthMb ? 0 : 1;
}
