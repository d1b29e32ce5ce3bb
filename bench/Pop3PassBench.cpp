// One check pass over many POP3 accounts on one local Dovecot, through the
// real check cycle, dispatcher and POP3 client on real time.
//   pop3-pass-bench [accounts]        (default 1000)
// Reports the pass time, the median and slowest check (each from the moment
// its own check started), the peak of sockets open at once and the CPU time
// of this process (Dovecot's own is not in it).
// Targets: no account times out or fails; sockets open never exceed the
// checks the cycle runs at once.
#include "DovecotServer.h"
#include "FakeOptions.h"
#include "RecordingIndicators.h"
#include "RecordingSoundPlayer.h"
#include "checkers/POP3.h"
#include "core/AccountList.h"
#include "core/GenericServer.h"
#include "core/MailCore.h"
#include "core/server.h"
#include "platform/SystemClock.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <functional>
#include <sys/resource.h>
#include <unistd.h>

using namespace orvane;

namespace {

// POP3 checkers only; each check is watched from its start to its end.
class Pop3Only final : public CheckerFactory
{
public:
    std::unique_ptr<MailChecker> createWebServer() override { return nullptr; }
    std::unique_ptr<MailChecker> createMAPI() override { return nullptr; }
    std::unique_ptr<MailChecker> createPOP3() override
    {
        auto checker = std::make_unique<POP3>();
        if (watch)
            watch(*checker);
        return checker;
    }
    std::function<void(MailChecker&)> watch;
};

// Sampled often, so read straight from /proc rather than through QDir.
int socketsOpen()
{
    int sockets = 0;
    DIR* fds = ::opendir("/proc/self/fd");
    if (!fds)
        return 0;
    while (const dirent* entry = ::readdir(fds)) {
        char link[300];
        char target[64];
        std::snprintf(link, sizeof link, "/proc/self/fd/%s", entry->d_name);
        const ssize_t length = ::readlink(link, target, sizeof target - 1);
        if (length > 0 && std::strncmp(target, "socket:", 7) == 0)
            ++sockets;
    }
    ::closedir(fds);
    return sockets;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int accountCount = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 1000;
    constexpr qint16 kTimeout = 60;
    constexpr int kMessages = 3;

    DovecotServer dovecot;
    const auto started = dovecot.start({kMessages, false});
    if (started.outcome != DovecotServer::Outcome::Running) {
        std::fprintf(stderr, "Dovecot: %s\n", qPrintable(started.reason));
        return started.outcome == DovecotServer::Outcome::Skipped ? 0 : 1;
    }

    SystemClock clock;
    AccountList accounts;
    test::FakeOptions options;
    options.playSound = false;
    test::RecordingIndicators indicators;
    test::RecordingSoundPlayer sound;
    Pop3Only pop3;

    QElapsedTimer sinceStart;
    std::vector<qint64> durations;
    int peakSockets = 0;
    int failures = 0;
    const auto sample = [&] { peakSockets = std::max(peakSockets, socketsOpen()); };

    pop3.watch = [&](MailChecker& checker) {
        const qint64 begun = sinceStart.nsecsElapsed();
        QObject::connect(&checker, &MailChecker::UpdateStatus, &app, sample);
        QObject::connect(&checker, &MailChecker::MailFound, &app, [&, begun](qint32 count) {
            durations.push_back(sinceStart.nsecsElapsed() - begun);
            if (count != kMessages)
                ++failures;
        });
        QObject::connect(&checker, &MailChecker::error, &app, [&, begun](const QString& message) {
            durations.push_back(sinceStart.nsecsElapsed() - begun);
            if (++failures <= 5)
                std::fprintf(stderr, "check failed: %s\n", qPrintable(message));
        });
    };
    MailCore core(clock, accounts, options, indicators, sound, pop3);

    for (int i = 0; i < accountCount; ++i) {
        auto account = std::make_unique<server>(core);
        account->CreateServer(QStringLiteral("Account %1").arg(i), dovecot.address(), kTimeout,
                              32767, dovecot.userName(), dovecot.password(), false, 0, false, {},
                              false);
        accounts.append(std::move(account));
    }

    const int socketsBefore = socketsOpen();
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, &app, sample);
    sampler.start(5);
    QObject::connect(&core, &MailCore::displayChanged, &app, &QCoreApplication::quit);
    QTimer::singleShot(0, &app, [&] {
        sinceStart.start();
        core.CheckAll();
    });
    app.exec();
    const qint64 passNs = sinceStart.nsecsElapsed();

    int timedOut = 0;
    for (const auto& account : accounts) {
        if (account->GetLastDetail() == QLatin1String("Server timed out."))
            ++timedOut;
    }
    std::sort(durations.begin(), durations.end());
    const auto ms = [](qint64 ns) { return double(ns) / 1e6; };
    std::printf("accounts:            %d (at most %d checks at once)\n", accountCount,
                MailCore::kChecksInFlight);
    std::printf("pass time:           %.0f ms\n", ms(passNs));
    if (!durations.empty()) {
        std::printf("median check:        %.1f ms\n", ms(durations[durations.size() / 2]));
        std::printf("slowest check:       %.1f ms (time-out %d s)\n", ms(durations.back()),
                    kTimeout);
    }
    std::printf("peak sockets open:   %d\n", peakSockets - socketsBefore);
    rusage self{};
    ::getrusage(RUSAGE_SELF, &self);
    std::printf("notifier CPU:        %.0f ms user, %.0f ms system\n",
                self.ru_utime.tv_sec * 1e3 + self.ru_utime.tv_usec / 1e3,
                self.ru_stime.tv_sec * 1e3 + self.ru_stime.tv_usec / 1e3);
    std::printf("timed out:           %d\n", timedOut);
    std::printf("failed or miscounted: %d\n", failures);
    return timedOut == 0 && failures == 0 && int(durations.size()) == accountCount ? 0 : 1;
}
