#include "SkinFiles.h"

#include <QDir>
#include <QFileInfo>

namespace orvane {

std::optional<QString> SkinFiles::Inside(const QString& folder, const QString& line)
{
    if (line.isEmpty())
        return std::nullopt;
    QString relative = line;
    relative.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QString path = folder + relative;
    if (!QFileInfo(path).isFile() && !relative.contains(QLatin1Char('/'))) {
        const QString found = Find(folder, relative);
        if (found.isEmpty())
            return std::nullopt;
        path = folder + found;
    }
    const QFileInfo file(path);
    if (!file.isFile())
        return std::nullopt;
    const QString canonicalFolder = QFileInfo(folder).canonicalFilePath();
    if (canonicalFolder.isEmpty() ||
        !file.canonicalFilePath().startsWith(canonicalFolder + QLatin1Char('/')))
        return std::nullopt;
    return path;
}

QString SkinFiles::Find(const QString& folder, const QString& name)
{
    if (QFileInfo(folder + name).isFile())
        return name;
    const QStringList entries = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    for (const QString& entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return entry;
    }
    return {};
}

std::vector<SkinFiles::Folder> SkinFiles::Scan(const QStringList& roots, const QString& skinFile)
{
    std::vector<Folder> found;
    QStringList earlier;
    for (const QString& root : roots) {
        const QDir dir(root);
        QStringList here;
        const QStringList names =
            dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
        for (const QString& name : names) {
            if (earlier.contains(name, Qt::CaseInsensitive))
                continue;
            const QString path = dir.filePath(name) + QLatin1Char('/');
            const QString file = Find(path, skinFile);
            if (file.isEmpty())
                continue;
            found.push_back({name, path, file});
            here << name;
        }
        earlier << here;
    }
    return found;
}

} // namespace orvane
