#include "MaildirMailbox.h"

#include "SimpleMapi.h"

#include <QByteArray>
#include <QFile>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <vector>

namespace orvane {

namespace {

// Where the info part starts (":" or ";"), or the name's length.
std::size_t infoStart(const char* name)
{
    return std::strcspn(name, ":;");
}

// "unique:2,FLAGS": the flags follow the "2," of the info part. Other info
// forms carry no flags, so such a message counts as unread. A trashed
// message waits only for the mail program to expunge it.
bool isUnread(const char* name, std::size_t info)
{
    if (name[info] == '\0' || std::strncmp(name + info + 1, "2,", 2) != 0)
        return true;
    const char* flags = name + info + 3;
    return !std::strchr(flags, 'S') && !std::strchr(flags, 'T');
}

bool inside(const QByteArray& canonical, const QByteArray& root)
{
    return canonical.size() > root.size() && canonical.startsWith(root) &&
           canonical.at(root.size()) == '/';
}

QByteArray canonicalPath(const QByteArray& path)
{
    char* resolved = ::realpath(path.constData(), nullptr);
    if (!resolved)
        return {};
    QByteArray result(resolved);
    std::free(resolved);
    return result;
}

// Read straight with readdir: a Maildir may hold hundreds of thousands of
// names, and the entry's type comes with it, so nothing but a link needs a
// look at the file itself.
bool isMessage(const QByteArray& folder, const dirent* entry, const QByteArray& root)
{
    unsigned char type = entry->d_type;
    const QByteArray path = folder + '/' + entry->d_name;
    if (type == DT_UNKNOWN) {
        struct stat status;
        if (::lstat(path.constData(), &status) != 0)
            return false;
        type = S_ISLNK(status.st_mode) ? DT_LNK : S_ISREG(status.st_mode) ? DT_REG : DT_DIR;
    }
    if (type == DT_REG)
        return true;
    if (type != DT_LNK)
        return false;
    const QByteArray target = canonicalPath(path);
    struct stat status;
    return inside(target, root) && ::stat(target.constData(), &status) == 0 &&
           S_ISREG(status.st_mode);
}

} // namespace

MaildirMailbox::MaildirMailbox(QString path) : m_path(std::move(path)) {}

quint32 MaildirMailbox::open(const QString& /*password*/, QStringList* unread)
{
    const QByteArray root = canonicalPath(QFile::encodeName(m_path));
    if (root.isEmpty())
        return SimpleMapi::Failure;
    std::vector<QByteArray> found;
    for (const char* name : {"new", "cur"}) {
        // new/ or cur/ as a link to a folder elsewhere is no part of this
        // Maildir.
        const QByteArray folder = root + '/' + name;
        if (!inside(canonicalPath(folder), root))
            return SimpleMapi::Failure;
        DIR* listing = ::opendir(folder.constData());
        if (!listing)
            return SimpleMapi::Failure;
        const bool fresh = name[0] == 'n';
        qsizetype read = 0;
        bool ok = true;
        while (const dirent* entry = ::readdir(listing)) {
            if (m_cancelled || ++read > MaxEntries) {
                ok = false;
                break;
            }
            // Names starting with a dot are not messages (editors, sync
            // tools, and the folder's own entries).
            const char* fileName = entry->d_name;
            const std::size_t info = infoStart(fileName);
            if (fileName[0] == '.' || !(fresh || isUnread(fileName, info)) ||
                !isMessage(folder, entry, root))
                continue;
            found.emplace_back(fileName, static_cast<qsizetype>(info));
        }
        ::closedir(listing);
        if (!ok)
            return SimpleMapi::Failure;
    }
    // Sorted as bytes, which is cheaper than as text and orders alike.
    std::sort(found.begin(), found.end());
    // A message caught between the two listings as it moved from new/ to
    // cur/ is one message.
    found.erase(std::unique(found.begin(), found.end()), found.end());
    unread->clear();
    unread->reserve(static_cast<qsizetype>(found.size()));
    for (const QByteArray& name : found)
        *unread << QFile::decodeName(name);
    return SimpleMapi::Success;
}

} // namespace orvane
