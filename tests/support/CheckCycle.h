#pragma once

#include "FakeNetworkWatch.h"
#include "FakeOptions.h"
#include "FakeSleepWatch.h"
#include "RecordingIndicators.h"
#include "RecordingSoundPlayer.h"
#include "ScriptedChecker.h"
#include "VirtualClock.h"
#include "core/AccountList.h"
#include "core/CheckGate.h"
#include "core/MailCore.h"
#include "core/server.h"

namespace orvane::test {

/// The real check cycle on virtual time, with doubles for everything around
/// it and a scripted checker for every check. The machine stays awake and
/// its network unknown until a test says otherwise.
struct CheckCycle
{
    CheckCycle() : core(clock, accounts, options, indicators, sound, checkers, &gate) {}

    /// A POP3 account checked every 600 s with a 60 s time-out.
    server& add(const QString& name, const QString& customSound = {})
    {
        auto account = std::make_unique<server>(core);
        account->CreateServer(name, QStringLiteral("pop.example.org"), 60, 600,
                              QStringLiteral("user"), QStringLiteral("secret"), false, 0,
                              !customSound.isEmpty(), customSound, false);
        return accounts.append(std::move(account));
    }

    /// The checker of the index-th check started so far.
    ScriptedChecker& checker(int index) { return *checkers.made.at(size_t(index)); }

    VirtualClock clock;
    AccountList accounts;
    FakeOptions options;
    RecordingIndicators indicators;
    RecordingSoundPlayer sound;
    ScriptedCheckers checkers;
    FakeSleepWatch sleep;
    FakeNetworkWatch network;
    CheckGate gate{clock, &sleep, &network};
    MailCore core;
};

} // namespace orvane::test
