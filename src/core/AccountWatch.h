#pragma once

namespace orvane {

class AccountHost;
class server;

/// Watches accounts between their checks, for servers that tell of new mail
/// themselves (IMAP IDLE). Each account reports here whenever it is loaded,
/// created, changed, activated or deactivated, and when it goes; the watch
/// decides from the account as it is then whether to keep a connection. When
/// a server tells of a change, the watch asks the account's host for the
/// account's check, the very check its clock starts, so every display reacts
/// alike. The interval checks go on whatever the watch does.
class AccountWatch
{
public:
    virtual ~AccountWatch() = default;
    /// `host` outlives the account.
    virtual void accountChanged(server& account, AccountHost& host) = 0;
    /// The account is unloaded or destroyed; forget it at once.
    virtual void accountGone(const server& account) = 0;
};

} // namespace orvane
