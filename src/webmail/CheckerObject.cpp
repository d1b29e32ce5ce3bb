#include "CheckerObject.h"

#include "kestranocheckeradaptor.h"

namespace orvane {

CheckerObject::CheckerObject(std::unique_ptr<MailChecker> checker, QString owner, QObject* parent)
    : QObject(parent), m_checker(std::move(checker)), m_owner(std::move(owner))
{
    new KestranoCheckerAdaptor(this);
    connect(m_checker.get(), &MailChecker::UpdateStatus, this, &CheckerObject::UpdateStatus);
    connect(m_checker.get(), &MailChecker::MailFound, this, &CheckerObject::MailFound);
    connect(m_checker.get(), &MailChecker::error, this, &CheckerObject::error);
}

CheckerObject::~CheckerObject()
{
    m_checker->disconnect(this);
}

void CheckerObject::CheckForMail(const QString& address, const QString& userName,
                                 const QString& password, bool DebugOn)
{
    if (!fromOwner())
        return;
    m_checker->CheckForMail(address, userName, password, DebugOn);
}

void CheckerObject::Release()
{
    if (!fromOwner())
        return;
    // The check may still run: from here on it raises nothing.
    m_checker->disconnect(this);
    Q_EMIT released(this);
}

bool CheckerObject::fromOwner()
{
    // The server itself releases objects of a client that left; that call
    // does not come over the bus.
    if (!calledFromDBus() || message().service() == m_owner)
        return true;
    sendErrorReply(QDBusError::AccessDenied,
                   QStringLiteral("Only the client that made this checker may use it."));
    return false;
}

} // namespace orvane
