#pragma once

#include "WebDriver.h"
#include "core/MailChecker.h"

#include <memory>

namespace orvane {

/// Counts the messages of a Hotmail account by walking its own browser
/// through the service's pages: log out twice, log in through the Passport
/// form, step from the start page to the inbox and read the count shown
/// after the word Inbox.
class Hotmail final : public MailChecker
{
    Q_OBJECT
public:
    static constexpr const char* kLoginPageFailed = "Login page failed to load.";
    static constexpr const char* kLoginFailed = "Login failed.  Bad username or password.";

    explicit Hotmail(std::unique_ptr<WebDriver> web, QObject* parent = nullptr);
    ~Hotmail() override;

    void CheckForMail(const QString& address, const QString& userName, const QString& password,
                      bool DebugOn) override;

    static QString logOutAddress();
    static QString logInAddress();

private:
    void Web_DoneBrowsing();
    void Web_Error(const QString& text);
    void fail(const QString& text);

    std::unique_ptr<WebDriver> Web;
    QString m_userName;
    QString m_password;
    qint32 m_step = 0;
};

} // namespace orvane
