#pragma once

#include "Mailbox.h"

#include <atomic>

namespace orvane {

/// A local Maildir: the unread messages are those in new/ and those in cur/
/// whose flags have neither S (seen) nor T (trashed). A message is known by
/// its unique name, the part of the file name before the info separator (":"
/// or, where a file system does not allow it, ";"), so it keeps its
/// identifier when a mail program moves it from new/ to cur/; identifiers
/// are sorted. Links are followed only to files inside the Maildir. There is
/// no password: the folder's permissions guard it. The walk is linear, reads
/// at most MaxEntries names per folder and stops when cancelled.
class MaildirMailbox final : public Mailbox
{
public:
    static constexpr qsizetype MaxEntries = 2'000'000;

    explicit MaildirMailbox(QString path);

    quint32 open(const QString& password, QStringList* unread) override;
    void close() override {}
    void cancel() override { m_cancelled = true; }

private:
    QString m_path;
    std::atomic<bool> m_cancelled{false};
};

} // namespace orvane
