#pragma once

#include <QString>
#include <QStringList>

namespace orvane {

/// One messaging profile's mailbox as a session sees it: opened with the
/// account's password, it lists the identifiers of the unread messages of
/// the inbox in a stable order; closed at the end of the session.
class Mailbox
{
public:
    virtual ~Mailbox() = default;
    /// A SimpleMapi result: Success, LoginFailure for a refused password,
    /// Failure for anything else.
    virtual quint32 open(const QString& password, QStringList* unread) = 0;
    /// Ends the session; safe to call when open failed or never ran.
    virtual void close() = 0;
    /// From another thread: makes a waiting open or close give up at once.
    virtual void cancel() {}
};

} // namespace orvane
