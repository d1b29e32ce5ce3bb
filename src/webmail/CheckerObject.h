#pragma once

#include "core/MailChecker.h"

#include <QDBusContext>
#include <QObject>
#include <functional>
#include <memory>

namespace orvane {

/// One checker on the bus: the object a client made through the factory,
/// speaking org.orvane.Kestrano.Checker. It relays the checker's events as
/// the contract's signals until the client releases it. A check that ended
/// (with its count or an error) lets its checker go at once, browser and
/// all, rather than at the release; another check on the object gets a new
/// checker from `make`. Object paths are
/// easy to guess, so only the client that made the object may start its
/// check or release it; any other caller on the bus is refused.
class CheckerObject final : public QObject, protected QDBusContext
{
    Q_OBJECT
public:
    using Maker = std::function<std::unique_ptr<MailChecker>()>;

    CheckerObject(std::unique_ptr<MailChecker> checker, Maker make, QString owner,
                  QObject* parent = nullptr);
    ~CheckerObject() override;

    /// The unique bus name of the client that made this object.
    const QString& owner() const { return m_owner; }

public Q_SLOTS:
    void CheckForMail(const QString& address, const QString& userName, const QString& password,
                      bool DebugOn);
    void Release();

Q_SIGNALS:
    void UpdateStatus(const QString& Status);
    void MailFound(int MailCount);
    void error(const QString& Description);
    /// The client is done with this object; its server drops it.
    void released(CheckerObject* object);

private:
    /// False (with an error sent back) for a bus call from anyone but the
    /// owner.
    bool fromOwner();
    void hold(std::unique_ptr<MailChecker> checker);
    void checkEnded();

    Maker m_make;
    std::unique_ptr<MailChecker> m_checker;
    const QString m_owner;
};

} // namespace orvane
