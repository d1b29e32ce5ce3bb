#pragma once

#include "Mailbox.h"

namespace orvane {

/// A local Maildir: the unread messages are those in new/ and those in cur/
/// whose flags lack S (seen). A message is known by its unique name, the part
/// of the file name before the flags, so it keeps its identifier when a mail
/// program moves it from new/ to cur/; identifiers are sorted. There is no
/// password: the folder's permissions guard it.
class MaildirMailbox final : public Mailbox
{
public:
    explicit MaildirMailbox(QString path);

    quint32 open(const QString& password, QStringList* unread) override;
    void close() override {}

private:
    QString m_path;
};

} // namespace orvane
