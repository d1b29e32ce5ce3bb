#include "MailCore.h"

#include "AccountList.h"
#include "CheckGate.h"
#include "Indicators.h"
#include "NotifierOptions.h"
#include "platform/Clock.h"
#include "platform/SoundPlayer.h"
#include "server.h"

#include <QPointer>
#include <utility>
#include <vector>

namespace orvane {

MailCore::MailCore(Clock& clock, AccountList& accounts, NotifierOptions& options,
                   Indicators& indicators, SoundPlayer& sound, CheckerFactory& checkers,
                   CheckGate* gate)
    : m_clock(clock), m_accounts(accounts), m_options(options), m_indicators(indicators),
      m_sound(sound), m_checkers(checkers), m_gate(gate), m_passWatch(clock.createTimer()),
      m_startWaiting(clock.createTimer())
{
    if (m_gate) {
        connect(m_gate, &CheckGate::sleeping, this, &MailCore::dropChecksForSleep);
        connect(m_gate, &CheckGate::recheckDue, this, &MailCore::recheckAccounts);
    }
    connect(m_passWatch.get(), &Timer::timeout, this, &MailCore::PassEndCheck);
    m_startWaiting->setSingleShot(true);
    connect(m_startWaiting.get(), &Timer::timeout, this, &MailCore::startWaitingChecks);
}

MailCore::~MailCore() = default;

QString MailCore::tipFor(qint64 total)
{
    if (total == 0)
        return QStringLiteral("Orvane - No Mail.");
    if (total == 1)
        return QStringLiteral("Orvane - 1 Message Found.");
    return QStringLiteral("Orvane - ") + QString::number(total) +
           QStringLiteral(" Messages Found.");
}

QString MailCore::cutTip(const QString& text)
{
    return text.left(kTipLimit);
}

void MailCore::CheckAccount(server& account)
{
    if (account.IsChecking() || isWaiting(account))
        return;
    // Never a check with an empty password while the keyring keeps it.
    if (account.isHeldForSecret()) {
        account.CheckHeld(true);
        return;
    }
    // Nothing new starts once the machine is going to sleep.
    if (m_gate && m_gate->isAsleep()) {
        checkAfterWake(account);
        return;
    }
    ++m_checksUnderWay;
    m_passUnderWay = true;
    updatePassWatch();
    BeginChecking();
    if (checksInFlight() < kChecksInFlight)
        startCheck(account);
    else {
        m_waiting.push_back({&account, &account});
        m_waitingIndex.insert(&account, &account);
    }
}

bool MailCore::isWaiting(const server& account) const
{
    const auto it = m_waitingIndex.constFind(&account);
    return it != m_waitingIndex.cend() && it.value() == &account;
}

void MailCore::CheckDue(server& account)
{
    // The clock does not ask the keyring again: that is the user's call.
    if (account.isHeldForSecret()) {
        if (!account.IsChecking())
            account.CheckHeld(false);
        return;
    }
    // Without any network the check could only fail; the account is
    // checked when the network returns.
    if (m_gate && m_gate->isOffline() && !m_gate->isAsleep()) {
        account.WaitForNetwork();
        return;
    }
    CheckAccount(account);
}

void MailCore::checkAfterWake(server& account)
{
    for (const QPointer<server>& asked : m_afterWake) {
        if (asked == &account)
            return;
    }
    m_afterWake.emplace_back(&account);
}

void MailCore::dropChecksForSleep()
{
    // A check that runs across the sleep would end as a time-out or a lost
    // connection; it is dropped quietly and made again after the wake.
    m_waitingIndex.clear();
    for (const Waiting& waiting : std::exchange(m_waiting, {})) {
        // A removed account was counted down when it unloaded.
        if (waiting.account) {
            --m_checksUnderWay;
            checkAfterWake(*waiting.account);
        }
    }
    std::vector<QPointer<server>> checking;
    for (const auto& account : m_accounts) {
        if (account->IsChecking())
            checking.emplace_back(account.get());
    }
    for (const QPointer<server>& account : checking) {
        if (account && account->IsChecking()) {
            checkAfterWake(*account);
            account->DropCheck();
        }
    }
    if (m_checksUnderWay <= 0 && m_passUnderWay) {
        m_checksUnderWay = 0;
        updatePassWatch();
        UpdateDisplay();
    }
}

void MailCore::recheckAccounts()
{
    std::vector<QPointer<server>> due;
    for (const auto& account : m_accounts) {
        if (account->IsActive())
            due.emplace_back(account.get());
    }
    for (const QPointer<server>& asked : std::exchange(m_afterWake, {})) {
        if (asked && !asked->IsActive())
            due.push_back(asked);
    }
    // A check can end at once and redraw, or an account go meanwhile.
    for (const QPointer<server>& account : due) {
        if (account)
            CheckAccount(*account);
    }
}

int MailCore::checksInFlight()
{
    std::erase_if(m_inFlight, [](const QPointer<server>& a) { return !a || !a->IsChecking(); });
    return int(m_inFlight.size());
}

void MailCore::startCheck(server& account)
{
    m_inFlight.emplace_back(&account);
    account.CheckMail();
}

void MailCore::startWaitingChecks()
{
    // A check that fails at once finishes inside CheckMail; the loop, not
    // recursion, carries on with the next one.
    while (!m_waiting.empty() && checksInFlight() < kChecksInFlight) {
        const Waiting entry = m_waiting.front();
        m_waiting.pop_front();
        const auto it = m_waitingIndex.find(entry.key);
        if (it != m_waitingIndex.end() && it.value() == entry.account)
            m_waitingIndex.erase(it);
        server* next = entry.account;
        // A removed account was counted down when it unloaded.
        if (next && !next->IsChecking())
            startCheck(*next);
    }
}

void MailCore::CheckAll()
{
    // A check can end at once and redraw; walk a snapshot of the list.
    std::vector<server*> accounts;
    for (const auto& account : m_accounts)
        accounts.push_back(account.get());
    const bool held = std::exchange(m_holdSums, true);
    for (server* account : accounts)
        CheckAccount(*account);
    m_holdSums = held;
    if (!m_holdSums)
        forgetSums();
}

void MailCore::checkAllAndAnnounceAgain()
{
    if (!m_checkAllEnabled)
        return;
    m_announced = false;
    CheckAll();
}

void MailCore::checkAllNow()
{
    m_announced = false;
    m_playedSounds.clear();
    CheckAll();
}

void MailCore::BeginChecking()
{
    m_passUnderWay = true;
    const Sums now = sums();
    m_allCustom = now.allCustom;
    if (now.anyNewMail) {
        m_indicators.QuickBarSetState(0, 1);
        if (m_options.IsFlashScrollLockOn())
            m_indicators.Flash(true);
    } else {
        m_indicators.QuickBarSetState(0, 0);
        m_indicators.Flash(false);
    }
    m_indicators.DoCheck();
    setCheckAllEnabled(false);
    setTip(QStringLiteral("Orvane - Checking For Mail..."));
    reportChange();
}

void MailCore::CheckFinished()
{
    forgetSums();
    const int before = m_checksUnderWay--;
    updatePassWatch();
    if (!m_waiting.empty() && !m_startWaiting->isActive())
        m_startWaiting->start(0);
    if (before == 1)
        UpdateDisplay();
}

void MailCore::PassEndCheck()
{
    startWaitingChecks();
    int checking = 0;
    for (const auto& account : m_accounts) {
        if (account->IsChecking())
            ++checking;
    }
    if (checking == 0 && m_waiting.empty() && m_checksUnderWay != 0) {
        m_checksUnderWay = 0;
        updatePassWatch();
        UpdateDisplay();
    }
}

bool MailCore::AnyNewMail()
{
    const Sums now = walkAccounts();
    m_allCustom = now.allCustom;
    return now.anyNewMail;
}

qint64 MailCore::TotalCount() const
{
    return walkAccounts().total;
}

MailCore::Sums MailCore::walkAccounts() const
{
    Sums sums;
    for (const auto& account : m_accounts) {
        if (account->NewMail()) {
            sums.anyNewMail = true;
            if (sums.allCustom && !account->UsingCustomSound())
                sums.allCustom = false;
        }
        sums.total += account->msgCount();
    }
    return sums;
}

MailCore::Sums MailCore::sums()
{
    // Outside CheckAll an account may change without a word to this object
    // (an edit in the account dialog, a list read from the file).
    if (!m_holdSums)
        return walkAccounts();
    if (!m_heldSums)
        m_heldSums = walkAccounts();
    return *m_heldSums;
}

void MailCore::UpdateDisplay()
{
    m_redrawing = true;
    // Taken once per redraw: a pass start sets the tip once per account.
    refreshFailing();
    setCheckAllEnabled(true);
    if (AnyNewMail()) {
        m_indicators.DoFound();
        m_indicators.QuickBarSetState(1, 1);
        const qint64 total = TotalCount();
        setTip(tipFor(total));
        m_indicators.QuickBarSetMailCount(total);
        if (!m_announced && !m_allCustom) {
            if (m_options.PlaySound())
                PlaySoundOnce(m_options.GetSoundFile(), true);
            m_announced = true;
        }
        // The program may still fail at once; the tray goes idle when its
        // start is reported (clearAfterNewMailAction).
        m_options.RunEProg(false, [core = QPointer<MailCore>(this)](bool started) {
            if (core && started)
                core->newMailActionStarted();
        });
        if (m_options.IsFlashScrollLockOn())
            m_indicators.Flash(true);
    } else {
        m_indicators.QuickBarSetState(1, 0);
        m_indicators.DoIdle();
        setTip(tipFor(0));
        m_announced = false;
        m_indicators.Flash(false);
    }
    m_passUnderWay = false;
    m_redrawing = false;
    // One report covers the redraw and the clear that came during it.
    if (std::exchange(m_clearAfterRedraw, false))
        clearAfterNewMailAction();
    else
        reportChange();
}

void MailCore::newMailActionStarted()
{
    // A launcher that knows at once would otherwise clear in the middle of
    // the redraw that asked for the program, and report twice.
    if (m_redrawing)
        m_clearAfterRedraw = true;
    else
        clearAfterNewMailAction();
}

void MailCore::runMailClient()
{
    m_options.RunEProg(true, [core = QPointer<MailCore>(this)](bool started) {
        if (core && started)
            core->ClearAndResetTip();
    });
}

void MailCore::ClearAll()
{
    clearCounts();
    reportChange();
}

void MailCore::clearCounts()
{
    forgetSums();
    for (const auto& account : m_accounts) {
        account->ClearCount();
        account->ResetTimer();
    }
    if (m_passUnderWay) {
        m_indicators.QuickBarSetState(0, 0);
        m_indicators.QuickBarSetState(1, 0);
        m_indicators.DoIdle();
        if (m_announced)
            setTip(QStringLiteral("Orvane - Mail Found and Checked."));
    }
    m_indicators.UpdateTable();
    m_indicators.Flash(false);
    m_announced = false;
    while (!m_playedSounds.isEmpty())
        m_playedSounds.removeLast();
}

void MailCore::ClearAndResetTip()
{
    ClearAll();
    setTip(tipFor(0));
    reportChange();
}

void MailCore::clearAfterNewMailAction()
{
    const bool wasAnnounced = m_announced;
    clearCounts();
    // During a pass the clear has shown the idle tray already.
    if (!m_passUnderWay)
        showNewMailActionClear(wasAnnounced);
    reportChange();
}

void MailCore::showNewMailActionClear(bool wasAnnounced)
{
    m_indicators.QuickBarSetState(1, 0);
    m_indicators.DoIdle();
    if (wasAnnounced)
        setTip(QStringLiteral("Orvane - Mail Found and Checked."));
}

void MailCore::AfterAccountRemoved()
{
    forgetSums();
    if (!m_passUnderWay)
        UpdateDisplay();
}

void MailCore::PlaySoundOnce(const QString& file, bool force)
{
    forgetSums();
    bool played = false;
    for (const QString& entry : m_playedSounds) {
        if (entry.compare(file, Qt::CaseInsensitive) == 0) {
            played = true;
            break;
        }
    }
    if (played && !force)
        return;
    m_sound.play(file);
    m_playedSounds.append(file);
}

void MailCore::ShowPopup(const QString& name, qint32 count)
{
    forgetSums();
    m_indicators.PopupDisplay(name, count);
}

void MailCore::UpdateTableItem(const QString& name)
{
    forgetSums();
    m_indicators.UpdateTableItem(name);
}

int MailCore::timeDisp() const
{
    return m_options.GetTimeDisp();
}

void MailCore::resetPass()
{
    m_passUnderWay = false;
    updatePassWatch();
}

void MailCore::refreshFailing()
{
    m_failing.clear();
    for (const auto& account : m_accounts) {
        if (account->IsFailing())
            m_failing << account->GetName();
    }
}

QString MailCore::failingLine(const QStringList& names)
{
    if (names.isEmpty())
        return {};
    QString line = names.size() == 1
                       ? QStringLiteral("1 account failing: ")
                       : QString::number(names.size()) + QStringLiteral(" accounts failing: ");
    line += names.join(QStringLiteral(", "));
    // The whole list is on /Status; the tray gets a line of a tip's length.
    if (line.size() > kTipLimit)
        line = line.left(kTipLimit - 3) + QStringLiteral("...");
    return line;
}

void MailCore::setTip(const QString& text)
{
    m_tip = cutTip(text);
    const QString failing = failingLine(m_failing);
    if (!failing.isEmpty())
        m_tip += QLatin1Char('\n') + failing;
    m_indicators.SetTrayTip(m_tip);
}

void MailCore::reportChange()
{
    const Reported now{m_tip, m_passUnderWay, sums().total};
    if (now == m_reported)
        return;
    m_reported = now;
    Q_EMIT displayChanged();
}

void MailCore::setCheckAllEnabled(bool enabled)
{
    m_checkAllEnabled = enabled;
    m_indicators.SetCheckAllEnabled(enabled);
}

void MailCore::updatePassWatch()
{
    // The watch can only act while checks are counted as under way, so it
    // sleeps otherwise and an idle notifier does not wake up every second.
    if (m_checksUnderWay != 0) {
        if (!m_passWatch->isActive())
            m_passWatch->start(1000);
    } else {
        m_passWatch->stop();
    }
}

} // namespace orvane
