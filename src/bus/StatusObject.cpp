#include "StatusObject.h"

#include "SessionInstance.h"
#include "core/AccountList.h"
#include "core/MailCore.h"
#include "core/server.h"
#include "statusadaptor.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMetaType>
#include <algorithm>
#include <limits>

namespace orvane {

QDBusArgument& operator<<(QDBusArgument& out, const AccountStatus& account)
{
    out.beginStructure();
    out << account.name << account.mail << account.lastChecked << account.detail;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, AccountStatus& account)
{
    in.beginStructure();
    in >> account.name >> account.mail >> account.lastChecked >> account.detail;
    in.endStructure();
    return in;
}

StatusObject::StatusObject(MailCore& core, const AccountList& accounts, QObject* parent)
    : QObject(parent), m_core(core), m_accounts(accounts)
{
    qDBusRegisterMetaType<AccountStatus>();
    qDBusRegisterMetaType<AccountStatusList>();
    new StatusAdaptor(this);
    connect(&m_core, &MailCore::displayChanged, this, &StatusObject::Changed);
}

StatusObject::~StatusObject()
{
    if (m_published)
        QDBusConnection::sessionBus().unregisterObject(QString::fromLatin1(kStatusPath));
}

bool StatusObject::publish()
{
    if (m_published)
        return true;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    // Only the instance that owns the name speaks for the notifier.
    const auto owner =
        bus.interface()->serviceOwner(QString::fromLatin1(SessionInstance::kServiceName));
    if (!owner.isValid() || owner.value() != bus.baseService())
        return false;
    m_published = bus.registerObject(QString::fromLatin1(kStatusPath), this);
    return m_published;
}

int StatusObject::TotalCount() const
{
    // The bus property is 32-bit; a larger total cannot occur in practice
    // but must not wrap round to a negative count.
    const qint64 total = m_core.TotalCount();
    return int(std::clamp<qint64>(total, 0, std::numeric_limits<int>::max()));
}

QString StatusObject::ToolTip() const
{
    return m_core.toolTip();
}

bool StatusObject::Checking() const
{
    return m_core.passUnderWay();
}

QStringList StatusObject::FailingAccounts() const
{
    return m_core.failingAccounts();
}

AccountStatusList StatusObject::Accounts() const
{
    AccountStatusList rows;
    for (const auto& account : m_accounts) {
        rows.append({account->GetName(),
                     account->NewMail() ? QStringLiteral("Yes") : QStringLiteral("No"),
                     account->LastChecked(), account->GetLastDetail()});
    }
    return rows;
}

void StatusObject::CheckAll()
{
    m_core.checkAllAndAnnounceAgain();
}

void StatusObject::ClearAll()
{
    m_core.ClearAll();
}

} // namespace orvane
