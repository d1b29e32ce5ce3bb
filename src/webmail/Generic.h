#pragma once

#include "core/MailChecker.h"

#include <memory>

namespace orvane {

class WebMailCheckers;

/// The checker the notifier asks the web-mail server for: it picks Hotmail,
/// Yahoo or the server's POP3 copy by the address, makes one, passes the
/// four arguments on and relays its events unchanged.
class Generic final : public MailChecker
{
    Q_OBJECT
public:
    enum class Choice
    {
        Hotmail,
        Yahoo,
        POP3
    };
    /// Hotmail for the Hotmail address in any case; Yahoo for any address
    /// holding "YAHOO" in any case (wider than the notifier's own rule);
    /// everything else goes to POP3.
    static Choice choose(const QString& address);

    explicit Generic(WebMailCheckers& checkers, QObject* parent = nullptr);
    ~Generic() override;

    void CheckForMail(const QString& address, const QString& userName, const QString& password,
                      bool DebugOn) override;

private:
    void relay(MailChecker& checker);

    WebMailCheckers& m_checkers;
    std::unique_ptr<MailChecker> HotmailServer;
    std::unique_ptr<MailChecker> YahooServer;
    std::unique_ptr<MailChecker> POP3Server;
};

} // namespace orvane
