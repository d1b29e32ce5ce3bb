#include "QtProcessLauncher.h"

#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace orvane {

namespace {

constexpr char kRuns = 'R';
constexpr char kFailed = 'F';
constexpr long kPollNs = 10'000'000;

void writeVerdict(int fd, char verdict)
{
    while (::write(fd, &verdict, 1) < 0 && errno == EINTR) {
    }
}

// Runs in the watcher process between fork and _exit: only async-signal-safe
// calls from here on, everything else was prepared before the fork.
[[noreturn]] void runWatcher(int reportFd, const char* path, char* const* argv, int watchMs)
{
    ::setsid();
    struct sigaction dfl = {};
    dfl.sa_handler = SIG_DFL;
    ::sigaction(SIGCHLD, &dfl, nullptr);

    const pid_t program = ::fork();
    if (program < 0) {
        writeVerdict(reportFd, kFailed);
        ::_exit(0);
    }
    if (program == 0) {
        ::close(reportFd);
        ::sigaction(SIGPIPE, &dfl, nullptr);
        sigset_t none;
        ::sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::execv(path, argv);
        ::_exit(127);
    }

    timespec begun = {};
    ::clock_gettime(CLOCK_MONOTONIC, &begun);
    for (;;) {
        int status = 0;
        const pid_t ended = ::waitpid(program, &status, WNOHANG);
        if (ended == program) {
            const bool success = WIFEXITED(status) && WEXITSTATUS(status) == 0;
            writeVerdict(reportFd, success ? kRuns : kFailed);
            ::_exit(0);
        }
        timespec now = {};
        ::clock_gettime(CLOCK_MONOTONIC, &now);
        const long long elapsedMs =
            (now.tv_sec - begun.tv_sec) * 1000LL + (now.tv_nsec - begun.tv_nsec) / 1'000'000;
        if (ended < 0 || elapsedMs >= watchMs) {
            writeVerdict(reportFd, kRuns);
            ::_exit(0);
        }
        const timespec step = {0, kPollNs};
        ::nanosleep(&step, nullptr);
    }
}

} // namespace

struct QtProcessLauncher::Watch
{
    pid_t watcher = -1;
    int readFd = -1;
    char verdict = kFailed;
    QSocketNotifier* notifier = nullptr; // a child of the launcher
    StartReport report;
};

QtProcessLauncher::QtProcessLauncher(int watchMs, QObject* parent)
    : QObject(parent), m_watchMs(watchMs)
{}

QtProcessLauncher::~QtProcessLauncher()
{
    // The watchers end on their own within the window; their reports are
    // dropped, and one still watching is reaped by the system once this
    // process ends.
    for (const auto& watch : m_watches) {
        delete watch->notifier;
        ::close(watch->readFd);
        ::waitpid(watch->watcher, nullptr, WNOHANG);
    }
}

void QtProcessLauncher::start(const QString& program, const QStringList& arguments,
                              StartReport report)
{
    auto failLater = [this, &report] {
        QTimer::singleShot(0, this, [report = std::move(report)] { report(false); });
    };
    // execv would fail on these too, but only after two forks.
    const QFileInfo info(program);
    if (program.isEmpty() || !info.isFile() || !info.isExecutable()) {
        failLater();
        return;
    }

    const QByteArray path = QFile::encodeName(program);
    std::vector<QByteArray> encoded{path};
    for (const QString& argument : arguments)
        encoded.push_back(argument.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& item : encoded)
        argv.push_back(item.data());
    argv.push_back(nullptr);

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        failLater();
        return;
    }
    const pid_t watcher = ::fork();
    if (watcher < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        failLater();
        return;
    }
    if (watcher == 0) {
        ::close(fds[0]);
        runWatcher(fds[1], path.constData(), argv.data(), m_watchMs);
    }
    ::close(fds[1]);

    auto watch = std::make_unique<Watch>();
    watch->watcher = watcher;
    watch->readFd = fds[0];
    watch->report = std::move(report);
    watch->notifier = new QSocketNotifier(fds[0], QSocketNotifier::Read, this);
    Watch* raw = watch.get();
    connect(raw->notifier, &QSocketNotifier::activated, this, [this, raw] {
        char buffer = 0;
        const ssize_t got = ::read(raw->readFd, &buffer, 1);
        if (got < 0 && errno == EINTR)
            return;
        if (got == 1) {
            raw->verdict = buffer;
            return; // the end of the pipe follows when the watcher exits
        }
        finish(raw);
    });
    m_watches.push_back(std::move(watch));
}

void QtProcessLauncher::finish(Watch* watch)
{
    // Called from the notifier's own signal, so it goes once that returns.
    watch->notifier->setEnabled(false);
    watch->notifier->deleteLater();
    ::close(watch->readFd);
    // The pipe closes as the watcher exits, so this returns at once.
    ::waitpid(watch->watcher, nullptr, 0);
    const bool started = watch->verdict == kRuns;
    StartReport report = std::move(watch->report);
    std::erase_if(m_watches, [watch](const auto& item) { return item.get() == watch; });
    report(started);
}

} // namespace orvane
