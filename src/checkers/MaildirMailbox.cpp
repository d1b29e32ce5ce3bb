#include "MaildirMailbox.h"

#include "SimpleMapi.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace orvane {

namespace {

// "unique:2,FLAGS": the flags follow the "2," of the info part. Other info
// forms carry no flags, so such a message counts as unread.
bool isSeen(const QString& fileName)
{
    const qsizetype info = fileName.lastIndexOf(QLatin1String(":2,"));
    return info >= 0 && fileName.indexOf(QLatin1Char('S'), info + 3) >= 0;
}

QString uniqueName(const QString& fileName)
{
    const qsizetype colon = fileName.indexOf(QLatin1Char(':'));
    return colon < 0 ? fileName : fileName.left(colon);
}

} // namespace

MaildirMailbox::MaildirMailbox(QString path) : m_path(std::move(path)) {}

quint32 MaildirMailbox::open(const QString& /*password*/, QStringList* unread)
{
    const QDir root(m_path);
    const QDir fresh(root.filePath(QStringLiteral("new")));
    const QDir current(root.filePath(QStringLiteral("cur")));
    if (!fresh.exists() || !current.exists() || !fresh.isReadable() || !current.isReadable())
        return SimpleMapi::Failure;

    // Names starting with a dot are not messages (editors, sync tools).
    const QDir::Filters files = QDir::Files | QDir::NoDotAndDotDot;
    QStringList found;
    for (const QString& name : fresh.entryList(files, QDir::Name)) {
        if (!name.startsWith(QLatin1Char('.')))
            found << uniqueName(name);
    }
    for (const QString& name : current.entryList(files, QDir::Name)) {
        if (!name.startsWith(QLatin1Char('.')) && !isSeen(name))
            found << uniqueName(name);
    }
    std::sort(found.begin(), found.end());
    // A message caught between the two listings as it moved from new/ to
    // cur/ is one message.
    found.erase(std::unique(found.begin(), found.end()), found.end());
    *unread = found;
    return SimpleMapi::Success;
}

} // namespace orvane
