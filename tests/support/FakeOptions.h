#pragma once

#include "core/NotifierOptions.h"

#include <QStringList>
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
    bool RunEProg(bool force) override
    {
        runCalls.push_back(force);
        calls << QStringLiteral("RunEProg(%1)")
                     .arg(force ? QStringLiteral("true") : QStringLiteral("false"));
        return runResult;
    }
    bool ValidEProg() const override { return validEProg; }
    void DoubleClick() override { calls << QStringLiteral("DoubleClick"); }

    int timeDisp = 0;
    bool playSound = true;
    QString soundFile = QStringLiteral("/orvane/notify.wav");
    bool flash = false;
    bool checkOnStartup = false;
    bool runResult = false;
    bool validEProg = false;
    std::vector<bool> runCalls;
    QStringList calls;
};

} // namespace orvane::test
