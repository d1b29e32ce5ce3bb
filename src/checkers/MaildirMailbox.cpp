#include "MaildirMailbox.h"

#include "SimpleMapi.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <algorithm>

namespace orvane {

namespace {

qsizetype infoStart(const QString& fileName)
{
    const qsizetype colon = fileName.indexOf(QLatin1Char(':'));
    return colon >= 0 ? colon : fileName.indexOf(QLatin1Char(';'));
}

// "unique:2,FLAGS": the flags follow the "2," of the info part. Other info
// forms carry no flags, so such a message counts as unread. A trashed
// message waits only for the mail program to expunge it.
bool isUnread(const QString& fileName)
{
    const qsizetype info = infoStart(fileName);
    if (info < 0 || !QStringView(fileName).mid(info + 1).startsWith(QLatin1String("2,")))
        return true;
    const QStringView flags = QStringView(fileName).mid(info + 3);
    return !flags.contains(QLatin1Char('S')) && !flags.contains(QLatin1Char('T'));
}

QString uniqueName(const QString& fileName)
{
    const qsizetype info = infoStart(fileName);
    return info < 0 ? fileName : fileName.left(info);
}

bool inside(const QString& canonical, const QString& root)
{
    return canonical.startsWith(root) && canonical.size() > root.size() &&
           canonical.at(root.size()) == QLatin1Char('/');
}

} // namespace

MaildirMailbox::MaildirMailbox(QString path) : m_path(std::move(path)) {}

quint32 MaildirMailbox::open(const QString& /*password*/, QStringList* unread)
{
    const QString root = QFileInfo(m_path).canonicalFilePath();
    if (root.isEmpty())
        return SimpleMapi::Failure;
    QStringList found;
    for (const QString& folder : {QStringLiteral("new"), QStringLiteral("cur")}) {
        // new/ or cur/ as a link to a folder elsewhere is no part of this
        // Maildir.
        const QFileInfo where(root + QLatin1Char('/') + folder);
        if (!where.isDir() || !where.isReadable() || !inside(where.canonicalFilePath(), root))
            return SimpleMapi::Failure;
        const bool fresh = folder == QLatin1String("new");
        qsizetype seen = 0;
        QDirIterator entries(where.filePath(), QDir::Files | QDir::NoDotAndDotDot);
        while (entries.hasNext()) {
            entries.next();
            if (m_cancelled || ++seen > MaxEntries)
                return SimpleMapi::Failure;
            const QString name = entries.fileName();
            // Names starting with a dot are not messages (editors, sync tools).
            if (name.startsWith(QLatin1Char('.')) || !(fresh || isUnread(name)))
                continue;
            const QFileInfo file = entries.fileInfo();
            if (file.isSymLink() && !inside(file.canonicalFilePath(), root))
                continue;
            found << uniqueName(name);
        }
    }
    std::sort(found.begin(), found.end());
    // A message caught between the two listings as it moved from new/ to
    // cur/ is one message.
    found.erase(std::unique(found.begin(), found.end()), found.end());
    *unread = found;
    return SimpleMapi::Success;
}

} // namespace orvane
