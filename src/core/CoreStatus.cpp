#include "CoreStatus.h"

#include "AccountList.h"
#include "MailCore.h"

namespace orvane {

CoreStatus::CoreStatus(MailCore& core, const AccountList& accounts)
    : m_core(core), m_accounts(accounts)
{}

qint64 CoreStatus::TotalCount() const
{
    return m_core.TotalCount();
}

QString CoreStatus::ToolTip() const
{
    return m_core.toolTip();
}

bool CoreStatus::IsChecking() const
{
    return m_core.passUnderWay();
}

QList<AccountStatus> CoreStatus::Accounts() const
{
    QList<AccountStatus> rows;
    for (const auto& account : m_accounts) {
        rows.append({account->GetName(),
                     account->NewMail() ? QStringLiteral("Yes") : QStringLiteral("No"),
                     account->LastChecked(), account->GetLastDetail()});
    }
    return rows;
}

void CoreStatus::CheckAll()
{
    // The menu item is disabled during a pass; a remote caller gets the same.
    if (m_core.checkAllEnabled())
        m_core.CheckAllAndAnnounceAgain();
}

void CoreStatus::ClearAll()
{
    m_core.ClearAll();
}

} // namespace orvane
