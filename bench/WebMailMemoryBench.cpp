// Web-mail accounts checked at once through the real checker server and its
// real browser, against a local web server the browser uses as its proxy.
//   webmail-memory-bench [accounts]        (default 10)
// Starts Kestrano from the program folder on the session bus (run it under
// dbus-run-session, as the bench target does), asks for one check per account
// (Hotmail and Yahoo in turn, each user with a count of its own) and samples
// the proportional set size (PSS) of Kestrano and every process below it
// every 100 ms. Reports the peak PSS, the peak number of processes, the time
// the checks took and whether each count came right; then releases the
// checks and reports whether anything is left running.
// Targets: every count right, nothing left running, peak PSS for ten accounts
// under 150 MB. ORVANE_BENCH_FLAGS adds switches for the browser engine, to
// try one. The peak's line names each process's PSS at that moment.
#include "ProcessTree.h"
#include "ScriptedWebServer.h"
#include "checkers/KestranoChecker.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <cstdio>
#include <memory>

using namespace orvane;
using namespace orvane::test;

namespace {

using Page = ScriptedWebServer::Page;
constexpr int kChecksMs = 180000;

Page html(const QByteArray& body)
{
    return Page{"<html><body>" + body + "</body></html>", {}, 0, false};
}

// Kilobytes of PSS of one process; 0 when it is gone.
qint64 pssKb(uint pid)
{
    QFile rollup(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
    if (!rollup.open(QIODevice::ReadOnly))
        return 0;
    static const QRegularExpression line(QStringLiteral("^Pss:\\s+(\\d+) kB"),
                                         QRegularExpression::MultilineOption);
    return line.match(QString::fromLatin1(rollup.readAll())).captured(1).toLongLong();
}

// What a process of the tree is: the server itself or the engine's helper
// named by its --type switch (renderer, zygote, gpu-process, utility).
QString kindOf(uint pid, uint server)
{
    if (pid == server)
        return QStringLiteral("server");
    QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
    if (!cmdline.open(QIODevice::ReadOnly))
        return QStringLiteral("gone");
    // The engine rewrites its helpers' command lines into one blank-separated
    // title, so the switch is looked for anywhere in it.
    static const QRegularExpression type(QStringLiteral("--type=([a-z-]+)"));
    const QRegularExpressionMatch match = type.match(QString::fromLatin1(cmdline.readAll()));
    if (match.hasMatch())
        return match.captured(1);
    return QStringLiteral("other");
}

// The services' pages; the user name travels in the addresses, so every
// account reads the count of its own inbox.
void servePages(ScriptedWebServer& web)
{
    const QByteArray loginForm = " method='post'><input name='login'><input type='password'"
                                 " name='passwd'></form>";
    web.setPage(QStringLiteral("http://login.passport.com/uilogin.srf?id=2"),
                html("<form name='Form1' action='http://login.passport.com/ppsecure/post.srf'" +
                     loginForm));
    web.setPage(
        QStringLiteral("http://mail.yahoo.com/"),
        html("<form name='login_form' action='http://login.yahoo.com/config/login'" + loginForm));
    web.responder = [](const QByteArray& method, const QString& address,
                       const QByteArray& body) -> std::optional<Page> {
        static const QRegularExpression user(QStringLiteral("user(\\d+)"));
        const QString number = user.match(address + QString::fromLatin1(body)).captured(1);
        if (method == "POST" && address.startsWith(QLatin1String("http://login.passport.com/")))
            return Page{
                {}, "http://by1.hotmail.test/cgi-bin/hmhome?user" + number.toLatin1(), 0, false};
        if (method == "POST" && address.startsWith(QLatin1String("http://login.yahoo.com/")))
            return Page{
                {}, "http://us.mail.yahoo.com/ym/welcome?user" + number.toLatin1(), 0, false};
        if (address.startsWith(QLatin1String("http://by1.hotmail.test/cgi-bin/hmhome")))
            return html("Welcome");
        if (address.startsWith(QLatin1String("http://by1.hotmail.test/cgi-bin/HoTMaiL")))
            return html("<td>Inbox<font style=\"FONT-WEIGHT: normal\"> (" + number.toLatin1() +
                        ")</font></td>");
        if (address.startsWith(QLatin1String("http://us.mail.yahoo.com/ym/welcome")))
            return html("<b>Inbox (" + number.toLatin1() + ")</b>");
        return std::nullopt;
    };
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int accounts = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() ||
        bus.interface()->isServiceRegistered(QString::fromLatin1(KestranoChecker::kService))) {
        std::fprintf(stderr, "Needs a private session bus without a checker server on it.\n");
        return 2;
    }
    ScriptedWebServer web;
    if (!web.listen())
        return 2;
    servePages(web);

    QProcess server;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // Offscreen unless a platform is given: QT_QPA_PLATFORM=xcb with a DISPLAY
    // measures the server as it runs on a desktop.
    if (!environment.contains(QStringLiteral("QT_QPA_PLATFORM")))
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("QTWEBENGINE_CHROMIUM_FLAGS"),
                       QStringLiteral("--no-sandbox --proxy-server=127.0.0.1:%1 ").arg(web.port()) +
                           qEnvironmentVariable("ORVANE_BENCH_FLAGS"));
    server.setProcessEnvironment(environment);
    server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server.start(QCoreApplication::applicationDirPath() + QStringLiteral("/../Orvane/Kestrano"),
                 {});
    if (!server.waitForStarted() || !QTest::qWaitFor([&] {
            return bus.interface()->isServiceRegistered(
                QString::fromLatin1(KestranoChecker::kService));
        })) {
        std::fprintf(stderr, "Kestrano did not start.\n");
        return 2;
    }
    const uint pid = uint(server.processId());

    std::vector<std::unique_ptr<KestranoChecker>> checks;
    QList<QString> results(accounts);
    int ended = 0;
    for (int i = 0; i < accounts; ++i) {
        checks.push_back(std::make_unique<KestranoChecker>(bus));
        KestranoChecker& check = *checks.back();
        QObject::connect(&check, &MailChecker::MailFound, &app, [&, i](qint32 count) {
            results[i] = QString::number(count);
            ++ended;
        });
        QObject::connect(&check, &MailChecker::error, &app, [&, i](const QString& text) {
            results[i] = text;
            ++ended;
        });
        check.CheckForMail(i % 2 ? QStringLiteral("yahoo.com") : QStringLiteral("hotmail.com"),
                           QStringLiteral("user%1").arg(i + 1), QStringLiteral("pw"), false);
    }

    QElapsedTimer elapsed;
    elapsed.start();
    QSet<uint> seen;
    qint64 peakKb = 0;
    qsizetype peakProcesses = 0;
    QString atPeak;
    const QDeadlineTimer deadline(kChecksMs);
    while (ended < accounts && !deadline.hasExpired()) {
        const QSet<uint> now = descendantsOf(pid);
        seen.unite(now);
        qint64 sum = 0;
        QStringList parts;
        for (uint process : now) {
            const qint64 kb = pssKb(process);
            sum += kb;
            parts << QStringLiteral("%1 %2")
                         .arg(kindOf(process, pid))
                         .arg(double(kb) / 1024.0, 0, 'f', 1);
        }
        if (sum > peakKb) {
            parts.sort();
            atPeak = parts.join(QStringLiteral(", "));
        }
        peakKb = std::max(peakKb, sum);
        peakProcesses = std::max(peakProcesses, now.size());
        QTest::qWait(100);
    }
    const qint64 checksMs = elapsed.elapsed();

    int right = 0;
    for (int i = 0; i < accounts; ++i) {
        if (results.at(i) == QString::number(i + 1))
            ++right;
        else
            std::printf("account %d: %s\n", i + 1, qPrintable(results.at(i)));
    }
    checks.clear();
    // A server that ended early (a crash) is not left running.
    const bool ends = server.state() == QProcess::NotRunning || server.waitForFinished(30000);
    const bool leftovers = !QTest::qWaitFor([&] { return !anyAlive(seen); }, 10000) || !ends;
    std::printf("%d accounts at once: %d of %d counts right in %.1f s; peak PSS %.1f MB in "
                "%lld processes; %s\n",
                accounts, right, accounts, double(checksMs) / 1000.0, double(peakKb) / 1024.0,
                qint64(peakProcesses),
                leftovers ? "processes LEFT RUNNING" : "nothing left running");
    std::printf("at the peak (MB): %s\n", qPrintable(atPeak));
    const bool met = right == accounts && !leftovers && (accounts != 10 || peakKb < 150 * 1024);
    return met ? 0 : 1;
}
