#include "AccountList.h"

#include <algorithm>

namespace orvane {

server& AccountList::append(std::unique_ptr<server> account)
{
    m_accounts.push_back(std::move(account));
    return *m_accounts.back();
}

bool AccountList::remove(const server& account)
{
    auto it = std::find_if(m_accounts.begin(), m_accounts.end(),
                           [&](const auto& a) { return a.get() == &account; });
    if (it == m_accounts.end())
        return false;
    (*it)->UnloadYourself();
    // The account may have been looked up again while it unloaded.
    it = std::find_if(m_accounts.begin(), m_accounts.end(),
                      [&](const auto& a) { return a.get() == &account; });
    if (it != m_accounts.end())
        m_accounts.erase(it);
    return true;
}

server* AccountList::find(const QString& name) const
{
    for (const auto& account : m_accounts) {
        if (account->GetName() == name)
            return account.get();
    }
    return nullptr;
}

} // namespace orvane
