#include "XdgMailClientLocator.h"

#include "CommandLine.h"
#include "SafeFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStandardPaths>
#include <limits>
#include <utility>

namespace orvane {

namespace {

const QString kMailtoType = QStringLiteral("x-scheme-handler/mailto");

// The folders of an XDG list variable; relative entries are invalid and
// ignored, as the base-directory rules require.
QStringList absoluteFolders(const QString& value)
{
    QStringList out;
    for (const QString& folder : value.split(u':', Qt::SkipEmptyParts)) {
        if (QDir::isAbsolutePath(folder))
            out << QDir::cleanPath(folder);
    }
    return out;
}

// The largest desktop entry, list or cache read; real ones are a few
// kilobytes, the cache of a desktop with every program installed some 100.
constexpr qint64 MaxKeyFileBytes = 4 * 1024 * 1024;

// Key-file lines of one group ("[Group]"), comments and blank lines skipped.
QList<std::pair<QString, QString>> readGroup(const QString& path, const QString& group)
{
    QList<std::pair<QString, QString>> entries;
    // Anyone may put files into the shared folders; a huge file or a FIFO
    // under one of these names must not stall or bloat the notifier's start.
    const FileContents contents = readFileContents(path, MaxKeyFileBytes, FileTrust::Any);
    if (contents.status != FileContents::Status::Read)
        return entries;
    const QString header = u'[' + group + u']';
    bool inGroup = false;
    const QStringList lines = QString::fromUtf8(contents.bytes).split(u'\n');
    for (QString line : lines) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            inGroup = line == header;
            continue;
        }
        if (!inGroup)
            continue;
        const qsizetype equals = line.indexOf(u'=');
        if (equals > 0)
            entries.append({line.left(equals).trimmed(), line.mid(equals + 1).trimmed()});
    }
    return entries;
}

QString groupValue(const QString& path, const QString& group, const QString& key)
{
    for (const auto& [k, v] : readGroup(path, group)) {
        if (k == key)
            return v;
    }
    return {};
}

// The escapes of a desktop-entry string value.
QString unescapeValue(const QString& value)
{
    QString out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != u'\\' || i + 1 >= value.size()) {
            out += c;
            continue;
        }
        const QChar next = value.at(++i);
        switch (next.unicode()) {
        case u's':
            out += u' ';
            break;
        case u'n':
            out += u'\n';
            break;
        case u't':
            out += u'\t';
            break;
        case u'r':
            out += u'\r';
            break;
        default:
            out += next;
            break;
        }
    }
    return out;
}

// Drops the field codes the launcher would fill in with files, addresses,
// the icon or the entry's name; "%%" stands for a percent sign.
QString withoutFieldCodes(const QString& argument, bool* removedAny)
{
    static const QString kFieldCodes = QStringLiteral("fFuUdDnNickvm");
    QString out;
    for (qsizetype i = 0; i < argument.size(); ++i) {
        const QChar c = argument.at(i);
        if (c == u'%' && i + 1 < argument.size()) {
            const QChar code = argument.at(i + 1);
            if (code == u'%') {
                out += u'%';
                ++i;
                continue;
            }
            if (kFieldCodes.contains(code)) {
                *removedAny = true;
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

// The desktop ids of one line of a mimeapps.list group.
QStringList desktopIds(const QString& value)
{
    QStringList ids;
    for (const QString& id : value.split(u';', Qt::SkipEmptyParts)) {
        if (!id.trimmed().isEmpty())
            ids << id.trimmed();
    }
    return ids;
}

// A desktop names a few handlers for a scheme. A list naming thousands is
// hostile: each handler tried can cost a walk of every application folder.
constexpr qsizetype MaxHandlers = 64;

// Adds the ids not yet in `list` nor in `excluded`, up to `limit` in all.
// Sets, not searches of the lists: one line of a list file can hold a
// hundred thousand ids.
void appendNew(QStringList& list, const QStringList& ids, const QStringList& excluded = {},
               qsizetype limit = MaxHandlers)
{
    QSet<QString> seen(list.cbegin(), list.cend());
    const QSet<QString> skipped(excluded.cbegin(), excluded.cend());
    for (const QString& id : ids) {
        if (list.size() >= limit)
            return;
        if (!skipped.contains(id) && !seen.contains(id)) {
            seen.insert(id);
            list << id;
        }
    }
}

} // namespace

XdgMailClientLocator::XdgMailClientLocator(QProcessEnvironment env) : m_env(std::move(env)) {}

std::optional<QString> XdgMailClientLocator::defaultMailCommand()
{
    const Handlers handlers = mailtoHandlers();
    for (const QStringList& ids : {handlers.defaults, handlers.associated}) {
        for (const QString& desktopId : ids) {
            if (auto command = commandOfDesktopId(desktopId))
                return command;
        }
    }
    return std::nullopt;
}

std::optional<QString> XdgMailClientLocator::commandOfDesktopId(const QString& desktopId) const
{
    const QString path = findDesktopEntry(desktopId);
    if (path.isEmpty())
        return std::nullopt;
    const QString group = QStringLiteral("Desktop Entry");
    if (groupValue(path, group, QStringLiteral("Hidden")) == QLatin1String("true"))
        return std::nullopt;

    QStringList arguments;
    for (const QString& argument : splitArguments(
             unescapeValue(groupValue(path, group, QStringLiteral("Exec"))), u"\"`$\\")) {
        bool removedAny = false;
        const QString kept = withoutFieldCodes(argument, &removedAny);
        if (!kept.isEmpty() || !removedAny)
            arguments << kept;
    }
    if (arguments.isEmpty() || arguments.constFirst().isEmpty())
        return std::nullopt;

    QString command = u'"' + resolveProgram(arguments.takeFirst()) + u'"';
    for (const QString& argument : std::as_const(arguments))
        command += u' ' + quoteArgument(argument);
    return command;
}

XdgMailClientLocator::Handlers XdgMailClientLocator::mailtoHandlers() const
{
    // In each folder the desktop-specific lists come before the general one.
    QStringList fileNames;
    for (const QString& desktop :
         m_env.value(QStringLiteral("XDG_CURRENT_DESKTOP")).split(u':', Qt::SkipEmptyParts))
        fileNames << desktop.toLower() + QStringLiteral("-mimeapps.list");
    fileNames << QStringLiteral("mimeapps.list");

    QStringList folders;
    folders << configHome() << configDirs();
    for (const QString& folder : applicationFolders())
        folders << folder;

    // Lists are read from the most to the least important. An association a
    // list removes no longer counts in the lists after it nor in the cache.
    Handlers handlers;
    QStringList removed;
    for (const QString& folder : std::as_const(folders)) {
        for (const QString& fileName : std::as_const(fileNames)) {
            const QString path = folder + u'/' + fileName;
            if (!QFileInfo(path).isFile())
                continue;
            appendNew(
                handlers.defaults,
                desktopIds(groupValue(path, QStringLiteral("Default Applications"), kMailtoType)));
            appendNew(
                handlers.associated,
                desktopIds(groupValue(path, QStringLiteral("Added Associations"), kMailtoType)),
                removed);
            // Removals are never tried, only looked up: all of them count.
            appendNew(
                removed,
                desktopIds(groupValue(path, QStringLiteral("Removed Associations"), kMailtoType)),
                {}, std::numeric_limits<qsizetype>::max());
        }
    }
    // The cache update-desktop-database builds from the entries' MimeType lines.
    for (const QString& folder : applicationFolders()) {
        appendNew(handlers.associated,
                  desktopIds(groupValue(folder + QStringLiteral("/mimeinfo.cache"),
                                        QStringLiteral("MIME Cache"), kMailtoType)),
                  removed);
    }
    return handlers;
}

QStringList XdgMailClientLocator::applicationFolders() const
{
    QStringList folders{dataHome() + QStringLiteral("/applications")};
    for (const QString& dir : dataDirs())
        folders << dir + QStringLiteral("/applications");
    return folders;
}

QString XdgMailClientLocator::findDesktopEntry(const QString& desktopId) const
{
    if (desktopId.contains(u'/') || !desktopId.endsWith(QLatin1String(".desktop")))
        return {};
    for (const QString& folder : applicationFolders()) {
        const QString direct = folder + u'/' + desktopId;
        if (QFileInfo(direct).isFile())
            return direct;
        // An entry in a subfolder has the folder names joined by "-" in its id.
        if (!desktopId.contains(u'-'))
            continue;
        QDirIterator it(folder, {QStringLiteral("*.desktop")}, QDir::Files,
                        QDirIterator::Subdirectories);
        const QDir base(folder);
        while (it.hasNext()) {
            const QString path = it.next();
            if (base.relativeFilePath(path).replace(u'/', u'-') == desktopId)
                return path;
        }
    }
    return {};
}

QString XdgMailClientLocator::resolveProgram(const QString& program) const
{
    if (program.contains(u'/'))
        return program;
    const QString found = QStandardPaths::findExecutable(program, searchPath());
    return found.isEmpty() ? program : found;
}

QString XdgMailClientLocator::configHome() const
{
    const QString value = m_env.value(QStringLiteral("XDG_CONFIG_HOME"));
    if (QDir::isAbsolutePath(value))
        return QDir::cleanPath(value);
    return m_env.value(QStringLiteral("HOME")) + QStringLiteral("/.config");
}

QStringList XdgMailClientLocator::configDirs() const
{
    const QStringList dirs = absoluteFolders(m_env.value(QStringLiteral("XDG_CONFIG_DIRS")));
    return dirs.isEmpty() ? QStringList{QStringLiteral("/etc/xdg")} : dirs;
}

QString XdgMailClientLocator::dataHome() const
{
    const QString value = m_env.value(QStringLiteral("XDG_DATA_HOME"));
    if (QDir::isAbsolutePath(value))
        return QDir::cleanPath(value);
    return m_env.value(QStringLiteral("HOME")) + QStringLiteral("/.local/share");
}

QStringList XdgMailClientLocator::dataDirs() const
{
    const QStringList dirs = absoluteFolders(m_env.value(QStringLiteral("XDG_DATA_DIRS")));
    return dirs.isEmpty()
               ? QStringList{QStringLiteral("/usr/local/share"), QStringLiteral("/usr/share")}
               : dirs;
}

QStringList XdgMailClientLocator::searchPath() const
{
    return m_env.value(QStringLiteral("PATH")).split(u':', Qt::SkipEmptyParts);
}

} // namespace orvane
