// The account tables under a long list: one check pass and one "Clear Mail
// Count" over many accounts, with the settings window and Quick View closed
// and then open, through the real check cycle on scripted checkers and
// virtual time.
//   table-update-bench [accounts]        (default 5000)
// Reports the CPU time of the pass with the tables closed and open, of the
// clear with them open, and of the pass after it, in which every row of
// Quick View gains its highlight.
// Targets: the pass with the tables open within 10% of the pass with them
// closed; the clear under 0.5 s.
#include "SettingsWindowRig.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <ctime>

using namespace orvane;
using namespace orvane::test;

namespace {

double cpuMs()
{
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

/// Checks every account once, each answering with one message as soon as
/// the cycle starts it; returns the CPU time taken.
double pass(SettingsWindowRig& rig)
{
    const double start = cpuMs();
    const size_t before = rig.checkers.made.size();
    rig.core.CheckAll();
    size_t answered = before;
    while (rig.core.passUnderWay()) {
        while (answered < rig.checkers.made.size()) {
            if (ScriptedChecker* checker = rig.checkers.made.at(answered++))
                checker->found(1);
        }
        rig.clock.advance(10);
    }
    return cpuMs() - start;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int accounts = argc > 1 ? std::atoi(argv[1]) : 5000;

    SettingsWindowRig rig;
    rig.quickView.setAccounts(rig.accounts);
    for (int i = 0; i < accounts; ++i)
        rig.add(QStringLiteral("Account%1").arg(i + 1, 5, 10, QLatin1Char('0')));

    pass(rig); // warms up the cycle's own structures
    const double closed = pass(rig);
    rig.windows.ShowSettingsWindow();
    rig.quickView.ShowWindow();
    const double open = pass(rig);
    const double clearStart = cpuMs();
    rig.core.ClearAll();
    const double clear = cpuMs() - clearStart;
    // Every row turns from "No" to "Yes" in this one.
    const double afterClear = pass(rig);

    std::printf("accounts:                  %d\n", accounts);
    std::printf("pass, tables closed:       %.0f ms CPU\n", closed);
    std::printf("pass, both tables open:    %.0f ms CPU (%+.1f%%)\n", open,
                100.0 * (open - closed) / closed);
    std::printf("Clear Mail Count, open:    %.0f ms CPU\n", clear);
    std::printf("pass after the clear:      %.0f ms CPU (%+.1f%%)\n", afterClear,
                100.0 * (afterClear - closed) / closed);
    return 0;
}
