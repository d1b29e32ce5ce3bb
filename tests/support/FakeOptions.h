#pragma once

#include "core/NotifierOptions.h"

namespace orvane::test {

/// Options the test sets field by field.
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
        return runResult;
    }

    int timeDisp = 0;
    bool playSound = true;
    QString soundFile = QStringLiteral("/orvane/notify.wav");
    bool flash = false;
    bool checkOnStartup = false;
    bool runResult = false;
    std::vector<bool> runCalls;
};

} // namespace orvane::test
