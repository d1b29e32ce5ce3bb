#pragma once

#include "core/NotifierOptions.h"

#include <QStringList>
#include <optional>
#include <vector>

namespace orvane::test {

/// Options the test sets field by field; the actions asked of them are
/// recorded by name in `calls` (and each RunEProg's `force` in `runCalls`).
class FakeOptions final : public NotifierOptions
{
public:
    int GetTimeDisp() const override { return timeDisp; }
    bool PlaySound() const override { return playSound; }
    QString GetSoundFile() const override { return soundFile; }
    bool IsFlashScrollLockOn() const override { return flash; }
    bool CheckOnStartup() const override { return checkOnStartup; }
    bool RunEProg(bool force, std::function<void(bool)> started) override
    {
        runCalls.push_back(force);
        calls << QStringLiteral("RunEProg(%1)")
                     .arg(force ? QStringLiteral("true") : QStringLiteral("false"));
        if (runResult && reportAtOnce)
            started(*reportAtOnce);
        else if (runResult)
            runReports.push_back(std::move(started));
        return runResult;
    }
    /// Tells every start asked for so far how it went.
    void reportRuns(bool started)
    {
        auto reports = std::move(runReports);
        runReports.clear();
        for (const auto& report : reports)
            report(started);
    }
    bool ValidEProg() const override { return validEProg; }
    void DoubleClick(const std::function<void()>& runEProg) override
    {
        calls << QStringLiteral("DoubleClick");
        if (doubleClickRuns)
            runEProg();
    }

    int timeDisp = 0;
    bool playSound = true;
    QString soundFile = QStringLiteral("/orvane/notify.wav");
    bool flash = false;
    bool checkOnStartup = false;
    bool runResult = false;
    bool validEProg = false;
    bool doubleClickRuns = false;
    std::vector<bool> runCalls;
    std::vector<std::function<void(bool)>> runReports;
    /// Set: a start is reported inside RunEProg, as a launcher that knows
    /// at once would.
    std::optional<bool> reportAtOnce;
    QStringList calls;
};

} // namespace orvane::test
