#pragma once

#include "platform/StatusSource.h"

namespace orvane {

class AccountList;
class MailCore;

/// The mail picture as other programs may read it: the check cycle's
/// totals and each account's row, without any account's credentials.
class CoreStatus final : public StatusSource
{
public:
    CoreStatus(MailCore& core, const AccountList& accounts);

    qint64 TotalCount() const override;
    QString ToolTip() const override;
    bool IsChecking() const override;
    QList<AccountStatus> Accounts() const override;
    void CheckAll() override;
    void ClearAll() override;

private:
    MailCore& m_core;
    const AccountList& m_accounts;
};

} // namespace orvane
