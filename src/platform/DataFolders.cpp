#include "DataFolders.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <unistd.h>

namespace orvane {

namespace {

QString withSlash(QString folder)
{
    if (!folder.isEmpty() && !folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}

} // namespace

DataFolders::DataFolders(const QString& programFolder)
    : DataFolders(withSlash(programFolder), withSlash(programFolder))
{}

DataFolders::DataFolders(QString programFolder, QString userFolder)
    : m_programFolder(std::move(programFolder)), m_userFolder(std::move(userFolder))
{}

DataFolders DataFolders::Choose(const QString& programFolder, bool programFolderWritable,
                                const QString& dataHome)
{
    // A relative data home is to be ignored (XDG): it would follow the
    // current folder of whoever started the program.
    if (programFolderWritable || !QDir::isAbsolutePath(dataHome))
        return DataFolders(programFolder);
    return DataFolders(withSlash(programFolder),
                       withSlash(QDir::cleanPath(dataHome + QStringLiteral("/orvane"))));
}

DataFolders DataFolders::ForProgram(const QString& programFolder)
{
    // access() asks the kernel for this user: modes, groups, a read-only
    // mount and root's rights all count, as they will when the files are
    // written.
    const bool writable = ::access(QFile::encodeName(programFolder).constData(), W_OK) == 0;
    return Choose(programFolder, writable,
                  QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
}

QString DataFolders::listFolder() const
{
    // A folder of the user's own needs no folder per user inside it.
    return inProgramFolder() ? m_programFolder + QStringLiteral("Users/") : m_userFolder;
}

QStringList DataFolders::skinFolders() const
{
    const QString shipped = m_programFolder + QStringLiteral("Skins/");
    if (inProgramFolder())
        return {shipped};
    return {m_userFolder + QStringLiteral("Skins/"), shipped};
}

} // namespace orvane
