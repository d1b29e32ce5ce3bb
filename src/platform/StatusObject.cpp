#include "StatusObject.h"

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

StatusObject::StatusObject(StatusSource& source, QObject* parent)
    : QObject(parent), m_source(source)
{}

int StatusObject::TotalCount() const
{
    // The bus property is 32-bit; a larger total cannot occur in practice
    // but must not wrap round to a negative count.
    const qint64 total = m_source.TotalCount();
    return int(std::clamp<qint64>(total, 0, std::numeric_limits<int>::max()));
}

} // namespace orvane
