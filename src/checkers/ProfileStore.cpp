#include "ProfileStore.h"

#include "platform/AnsiText.h"
#include "platform/SafeFiles.h"

#include <QHash>
#include <QStandardPaths>
#include <QUrl>

namespace orvane {

namespace {

// A profile file is a handful of lines; anything this large is not one.
constexpr qint64 MaxFileSize = 1024 * 1024;

const QString GeneralGroup = QStringLiteral("General");

} // namespace

MailboxAddress MailboxAddress::parse(const QString& text)
{
    MailboxAddress address;
    const QString value = text.trimmed();
    const auto quoted = [](const QString& part) {
        return part.startsWith(QLatin1Char('"')) || part.startsWith(QLatin1Char('\''));
    };
    if (quoted(value)) {
        address.problem = QStringLiteral("the Mailbox value is in quotes; write it without them.");
        return address;
    }
    if (value.startsWith(QLatin1String("maildir:"), Qt::CaseInsensitive)) {
        address.path = value.mid(8);
        // The file is read as it stands: no shell expands a ~ or strips
        // quotes, so say so rather than look for a folder named "~".
        if (quoted(address.path))
            address.problem =
                QStringLiteral("the Maildir path is in quotes; write it without them.");
        else if (address.path.startsWith(QLatin1Char('~')))
            address.problem =
                QStringLiteral("the Maildir path starts with ~; write the full path.");
        else if (!address.path.isEmpty())
            address.kind = Kind::Maildir;
        return address;
    }

    const QUrl url(value, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("imap") && scheme != QLatin1String("imaps")))
        return address;
    if (url.userName().isEmpty()) {
        address.problem =
            QStringLiteral("the IMAP address has no user name; write it as %1://USER@HOST/INBOX.")
                .arg(scheme);
        return address;
    }
    const int port = url.port(scheme == QLatin1String("imaps") ? 993 : 143);
    if (port <= 0 || port > 65535)
        return address;
    address.kind = scheme == QLatin1String("imaps") ? Kind::Imaps : Kind::Imap;
    address.userName = url.userName();
    address.host = url.host();
    address.port = static_cast<quint16>(port);
    address.folder = url.path().mid(1);
    if (address.folder.isEmpty())
        address.folder = QStringLiteral("INBOX");
    return address;
}

QString ProfileStore::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/orvane/profiles.ini");
}

ProfileStore::ProfileStore(QString path) : m_path(std::move(path)) {}

QList<ProfileStore::Group> ProfileStore::read() const
{
    QList<Group> groups;
    const FileContents contents = readFileContents(m_path, MaxFileSize, FileTrust::Any);
    if (contents.status != FileContents::Status::Read)
        return groups;

    // A repeated group adds to the first of its name. The groups are found
    // by name through an index: a file of a million bytes holds a hundred
    // thousand headers, and searching them all for each would take minutes.
    QHash<QString, qsizetype> indexOf;
    qsizetype current = -1;
    const QStringList lines = decodeText(contents.bytes).split(QLatin1Char('\n'));
    for (const QString& rawLine : lines) {
        const QString line = rawLine.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) ||
            line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            const QString name = line.mid(1, line.size() - 2).trimmed();
            const QString key = name.toCaseFolded();
            current = indexOf.value(key, groups.size());
            if (current == groups.size()) {
                indexOf.insert(key, current);
                groups.append(Group{name, {}});
            }
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (current < 0 || equals <= 0)
            continue;
        groups[current].values.append(
            {line.left(equals).trimmed(), line.mid(equals + 1).trimmed()});
    }
    return groups;
}

namespace {

template <typename Groups>
const QString* valueOf(const Groups& groups, const QString& group, const QString& key)
{
    for (const auto& candidate : groups) {
        if (candidate.name.compare(group, Qt::CaseInsensitive) != 0)
            continue;
        for (const auto& [name, value] : candidate.values) {
            if (name.compare(key, Qt::CaseInsensitive) == 0)
                return &value;
        }
        return nullptr;
    }
    return nullptr;
}

} // namespace

bool ProfileStore::ReadDefaultProfile(QString& name) const
{
    const QList<Group> groups = read();
    const QString* value = valueOf(groups, GeneralGroup, QStringLiteral("DefaultProfile"));
    if (!value || value->isEmpty() || value->size() > MaxProfileName)
        return false;
    name = *value;
    return true;
}

QStringList ProfileStore::profileNames() const
{
    QStringList names;
    for (const Group& group : read()) {
        if (group.name.compare(GeneralGroup, Qt::CaseInsensitive) != 0 && !group.name.isEmpty())
            names << group.name;
    }
    return names;
}

bool ProfileStore::mailboxOf(const QString& profile, QString* mailbox) const
{
    if (profile.compare(GeneralGroup, Qt::CaseInsensitive) == 0)
        return false;
    const QList<Group> groups = read();
    for (const Group& group : groups) {
        if (group.name.compare(profile, Qt::CaseInsensitive) == 0) {
            const QString* value = valueOf(groups, profile, QStringLiteral("Mailbox"));
            *mailbox = value ? *value : QString();
            return true;
        }
    }
    return false;
}

QString ProfileStore::problem() const
{
    const FileContents contents = readFileContents(m_path, MaxFileSize, FileTrust::Any);
    switch (contents.status) {
    case FileContents::Status::Read:
    // No file is no profile, as the log-on has always said.
    case FileContents::Status::Missing:
        return {};
    default:
        return QStringLiteral("%1 cannot be read: %2.").arg(m_path, contents.reason);
    }
}

QStringList mapiProfileNames(const ProfileStore& store)
{
    QStringList names = store.profileNames();
    QString defaultName;
    if (store.ReadDefaultProfile(defaultName)) {
        for (qsizetype i = 0; i < names.size(); ++i) {
            if (names.at(i).compare(defaultName, Qt::CaseInsensitive) == 0) {
                names.move(i, 0);
                break;
            }
        }
    }
    return names;
}

bool ReadDefaultProfile(QString& name)
{
    return ProfileStore().ReadDefaultProfile(name);
}

} // namespace orvane
