#include "CheckerObject.h"

#include "kestranocheckeradaptor.h"

namespace orvane {

CheckerObject::CheckerObject(std::unique_ptr<MailChecker> checker, Maker make, QString owner,
                             QObject* parent)
    : QObject(parent), m_make(std::move(make)), m_owner(std::move(owner))
{
    new KestranoCheckerAdaptor(this);
    hold(std::move(checker));
}

CheckerObject::~CheckerObject()
{
    if (m_checker)
        m_checker->disconnect(this);
}

void CheckerObject::hold(std::unique_ptr<MailChecker> checker)
{
    m_checker = std::move(checker);
    if (!m_checker)
        return;
    connect(m_checker.get(), &MailChecker::UpdateStatus, this, &CheckerObject::UpdateStatus);
    connect(m_checker.get(), &MailChecker::MailFound, this, [this](int count) {
        checkEnded();
        Q_EMIT MailFound(count);
    });
    connect(m_checker.get(), &MailChecker::error, this, [this](const QString& text) {
        checkEnded();
        Q_EMIT error(text);
    });
}

void CheckerObject::checkEnded()
{
    // Raised from inside the checker: it goes once its event is over.
    m_checker->disconnect(this);
    m_checker.release()->deleteLater();
}

void CheckerObject::CheckForMail(const QString& address, const QString& userName,
                                 const QString& password, bool DebugOn)
{
    if (!fromOwner())
        return;
    if (!m_checker)
        hold(m_make ? m_make() : nullptr);
    if (m_checker)
        m_checker->CheckForMail(address, userName, password, DebugOn);
}

void CheckerObject::Release()
{
    if (!fromOwner())
        return;
    // The check may still run: from here on it raises nothing.
    if (m_checker)
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
