#pragma once

#include "WebDriver.h"
#include "core/MailChecker.h"

#include <memory>

namespace orvane {

/// The page walk Yahoo and the generic web-mail checker share: load the
/// log-out address twice, open the start page, fill in and submit the form
/// "login_form", make sure no form "login" is left, and read the count shown
/// after `countMarker`. Form and field names are compared exactly.
class FormLoginChecker : public MailChecker
{
    Q_OBJECT
public:
    static constexpr const char* kLoginFailed = "Login failed.  Bad username or password.";

    ~FormLoginChecker() override;

    void CheckForMail(const QString& address, const QString& userName, const QString& password,
                      bool DebugOn) override;

protected:
    struct Route
    {
        QString logOut;
        QString start;
        QString firstStatus;
    };

    FormLoginChecker(std::unique_ptr<WebDriver> web, QString countMarker, QObject* parent);
    /// The addresses and the first status text for a check of `address`.
    virtual Route routeFor(const QString& address) const = 0;

private:
    void Web_DoneBrowsing();
    void Web_Error(const QString& text);
    void logIn(const WebPage& page);
    void count(const WebPage& page);
    void fail(const QString& text);

    std::unique_ptr<WebDriver> Web;
    const QString m_countMarker;
    Route m_route;
    QString m_userName;
    QString m_password;
    qint32 m_step = 0;
};

} // namespace orvane
