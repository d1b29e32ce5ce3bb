#pragma once

#include "StatusSource.h"

#include <QDBusArgument>
#include <QList>
#include <QMetaType>
#include <QObject>

namespace orvane {

using AccountStatusList = QList<AccountStatus>;

QDBusArgument& operator<<(QDBusArgument& out, const AccountStatus& account);
const QDBusArgument& operator>>(const QDBusArgument& in, AccountStatus& account);

/// The object behind /Status; its adaptor reads these properties and calls
/// these slots by name.
class StatusObject : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int TotalCount READ TotalCount)
    Q_PROPERTY(QString ToolTip READ ToolTip)
    Q_PROPERTY(bool Checking READ Checking)
public:
    explicit StatusObject(StatusSource& source, QObject* parent = nullptr);

    int TotalCount() const;
    QString ToolTip() const { return m_source.ToolTip(); }
    bool Checking() const { return m_source.IsChecking(); }

public Q_SLOTS:
    orvane::AccountStatusList Accounts() const { return m_source.Accounts(); }
    void CheckAll() { m_source.CheckAll(); }
    void ClearAll() { m_source.ClearAll(); }

Q_SIGNALS:
    void Changed();

private:
    StatusSource& m_source;
};

} // namespace orvane

Q_DECLARE_METATYPE(orvane::AccountStatus)
