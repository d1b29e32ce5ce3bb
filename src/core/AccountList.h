#pragma once

#include "server.h"

#include <memory>
#include <vector>

namespace orvane {

/// The accounts in load and creation order. It owns them.
class AccountList
{
public:
    using Accounts = std::vector<std::unique_ptr<server>>;

    server& append(std::unique_ptr<server> account);
    /// Unloads the account and drops it; false when it is not in the list.
    bool remove(const server& account);
    /// The first account with this name, or null.
    server* find(const QString& name) const;
    int size() const { return int(m_accounts.size()); }
    bool isEmpty() const { return m_accounts.empty(); }
    server& at(int index) const { return *m_accounts.at(size_t(index)); }

    Accounts::const_iterator begin() const { return m_accounts.begin(); }
    Accounts::const_iterator end() const { return m_accounts.end(); }

private:
    Accounts m_accounts;
};

} // namespace orvane
