#pragma once

#include "FormLoginChecker.h"

namespace orvane {

/// Counts the messages of a Yahoo account. Both hosts come from the
/// account's address D: the log-out redirect goes through "rd." + D, the
/// mail start page is "mail." + D.
class Yahoo final : public FormLoginChecker
{
    Q_OBJECT
public:
    explicit Yahoo(std::unique_ptr<WebDriver> web, QObject* parent = nullptr);

    /// The fixed log-out path of the redirect service, from its first "/".
    static QString logOutPath();

protected:
    Route routeFor(const QString& address) const override;
};

} // namespace orvane
