// The account tables under a long list: check passes and "Clear Mail Count"
// over many accounts, with the settings window and Quick View closed and
// then open, through the real check cycle on scripted checkers and virtual
// time.
//   table-update-bench [accounts] [rounds]        (default 5000 and 5)
// Reports the median CPU time of the passes with the tables closed, with
// Quick View open, with both tables open (the program shows one at a time,
// the bench both to be safe), of the clears with both open and of the
// passes after each clear, in which every row of Quick View gains its
// highlight; the share a table adds is taken within each round, whose steps
// follow each other. Targets: the pass with the tables open within 10% of
// the pass with them closed; the clear under 0.5 s.
// CPU time wanders on a busy machine; instruction counts do not. Under
//   valgrind --tool=callgrind --dump-instr=no table-update-bench
// each measured step is written as a part of its own, named after it
// (callgrind_annotate on the part, or the "summary:" line of each file).
#include "SettingsWindowRig.h"

#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#define ORVANE_STEP_BEGIN() CALLGRIND_ZERO_STATS
#define ORVANE_STEP_END(name) CALLGRIND_DUMP_STATS_AT(name)
#else
#define ORVANE_STEP_BEGIN()
#define ORVANE_STEP_END(name)
#endif

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
double pass(SettingsWindowRig& rig, const char* step)
{
    ORVANE_STEP_BEGIN();
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
        // A turn of the event loop: finished checkers go, the tables draw
        // the rows of the checks that ended and paint what is in view.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
    const double taken = cpuMs() - start;
    ORVANE_STEP_END(step);
    (void)step;
    return taken;
}

double clear(SettingsWindowRig& rig)
{
    ORVANE_STEP_BEGIN();
    const double start = cpuMs();
    rig.core.ClearAll();
    QCoreApplication::processEvents();
    const double taken = cpuMs() - start;
    ORVANE_STEP_END("clear");
    return taken;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int accounts = argc > 1 ? std::atoi(argv[1]) : 5000;
    const int rounds = std::max(1, argc > 2 ? std::atoi(argv[2]) : 5);

    SettingsWindowRig rig;
    rig.quickView.setAccounts(rig.accounts);
    for (int i = 0; i < accounts; ++i)
        rig.add(QStringLiteral("Account%1").arg(i + 1, 5, 10, QLatin1Char('0')));

    // The steps of a round follow each other, so that a machine whose load
    // drifts weighs on each alike; the tables are opened anew every round.
    std::vector<double> closed, quickView, open, clears, afterClear, quickViewShare, openShare;
    // A window shown is laid out, activated and painted over several turns,
    // and the first pass after a window comes or goes meets a heap changed
    // under it: each state is measured on its second pass.
    const auto settle = [&rig] {
        for (int turn = 0; turn < 5; ++turn) {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QCoreApplication::processEvents();
        }
        pass(rig, "warm-up");
    };
    for (int i = 0; i < rounds; ++i) {
        settle();
        closed.push_back(pass(rig, "pass-closed"));
        rig.quickView.ShowWindow();
        settle();
        quickView.push_back(pass(rig, "pass-quick-view"));
        // Straight from the object: the program's windows would close Quick
        // View.
        rig.window.Show();
        settle();
        open.push_back(pass(rig, "pass-open"));
        clears.push_back(clear(rig));
        // Every row turns from "No" to "Yes" in this one.
        afterClear.push_back(pass(rig, "pass-after-clear"));
        rig.quickView.Unload();
        rig.window.CloseMe();
        quickViewShare.push_back(quickView.back() / closed.back());
        openShare.push_back(open.back() / closed.back());
    }

    const double c = median(closed);
    const double a = median(afterClear);
    std::printf("accounts:                  %d, %d rounds, medians\n", accounts, rounds);
    std::printf("pass, tables closed:       %.1f ms CPU\n", c);
    std::printf("pass, Quick View open:     %.1f ms CPU (%+.1f%% in the median round)\n",
                median(quickView), 100.0 * (median(quickViewShare) - 1));
    std::printf("pass, both tables open:    %.1f ms CPU (%+.1f%% in the median round)\n",
                median(open), 100.0 * (median(openShare) - 1));
    std::printf("Clear Mail Count, open:    %.1f ms CPU\n", median(clears));
    std::printf("pass after the clear:      %.1f ms CPU (%+.1f%%)\n", a, 100.0 * (a - c) / c);
    return 0;
}
