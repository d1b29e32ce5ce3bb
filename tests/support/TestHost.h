#pragma once

#include "ScriptedChecker.h"
#include "VirtualClock.h"
#include "core/AccountHost.h"
#include "core/server.h"

#include <QStringList>

namespace orvane::test {

/// An account host that records what accounts ask of the program and starts
/// checks the way the core does, on virtual time.
class TestHost final : public AccountHost
{
public:
    Clock& clock() override { return virtualClock; }
    void CheckAccount(server& account) override
    {
        ++checkRequests;
        if (account.IsChecking())
            return;
        ++checksStarted;
        account.CheckMail();
    }
    void CheckFinished() override { ++checksFinished; }
    void PlaySoundOnce(const QString& file, bool force) override
    {
        sounds << file + (force ? QStringLiteral(" (forced)") : QString());
    }
    void ShowPopup(const QString& name, qint32 count) override
    {
        popups << QStringLiteral("%1:%2").arg(name).arg(count);
    }
    void UpdateTableItem(const QString& name) override { rowUpdates << name; }
    int timeDisp() const override { return timeDispMode; }
    CheckerFactory& checkerFactory() override { return checkers; }

    VirtualClock virtualClock;
    ScriptedCheckers checkers;
    int timeDispMode = 0;
    int checkRequests = 0;
    int checksStarted = 0;
    int checksFinished = 0;
    QStringList sounds;
    QStringList popups;
    QStringList rowUpdates;
};

} // namespace orvane::test
