#pragma once

#include <QObject>
#include <QString>

namespace orvane {

/// The contract every mail checker follows. CheckForMail starts one check
/// and returns; progress comes back as UpdateStatus, the end as MailFound or
/// error. The first MailFound or error ends the check for the receiver, who
/// then drops the checker, so anything raised later reaches nobody. Events
/// may arrive before CheckForMail has returned.
class MailChecker : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~MailChecker() override = default;

    virtual void CheckForMail(const QString& address, const QString& userName,
                              const QString& password, bool DebugOn) = 0;

Q_SIGNALS:
    void UpdateStatus(const QString& Status);
    void MailFound(qint32 MailCount);
    void error(const QString& Description);
};

} // namespace orvane
