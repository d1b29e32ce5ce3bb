#pragma once

#include "core/MailChecker.h"

#include <QObject>
#include <QRegularExpression>
#include <QStringList>

namespace orvane::test {

/// What a checker says when the web-mail server or a checker for the address
/// cannot be had.
inline const QString kMissingService = QStringLiteral("Missing Webmail service, cannot continue.");

/// One ordered log of everything a checker raised, one readable line each
/// ("status ...", "count N", "error ..."), so a test asserts both the texts and
/// their order. It listens only while it lives.
class CheckerEventLog
{
public:
    CheckerEventLog() = default;
    explicit CheckerEventLog(MailChecker& checker) { watch(checker); }

    void watch(MailChecker& checker)
    {
        QObject::connect(&checker, &MailChecker::UpdateStatus, &m_context,
                         [this](const QString& s) { events << QStringLiteral("status ") + s; });
        QObject::connect(&checker, &MailChecker::MailFound, &m_context,
                         [this](qint32 n) { events << QStringLiteral("count %1").arg(n); });
        QObject::connect(&checker, &MailChecker::error, &m_context,
                         [this](const QString& s) { events << QStringLiteral("error ") + s; });
    }

    /// A check ends with a count or an error; status lines come before.
    bool ended() const
    {
        return !events.isEmpty() && !events.constLast().startsWith(QLatin1String("status "));
    }
    QStringList errors() const
    {
        return events.filter(QRegularExpression(QStringLiteral("^error ")));
    }

    QStringList events;

private:
    QObject m_context;
};

} // namespace orvane::test
