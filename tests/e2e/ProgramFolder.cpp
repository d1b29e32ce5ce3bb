#include "ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <pwd.h>
#include <unistd.h>

namespace orvane::e2e {

ProgramFolder::ProgramFolder()
{
    const QString built = qEnvironmentVariable("ORVANE_PROGRAM_DIR");
    if (built.isEmpty() || !QFileInfo(built).isDir()) {
        m_error = QStringLiteral("ORVANE_PROGRAM_DIR does not name the built program folder (%1)")
                      .arg(built);
    } else if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder: %1").arg(m_dir.errorString());
    } else {
        copyTree(built, m_dir.path(), true);
    }
}

QString ProgramFolder::accountListPath() const
{
    const passwd* user = getpwuid(getuid());
    const QString name = user ? QString::fromLocal8Bit(user->pw_name).trimmed() : QString();
    return filePath(QStringLiteral("Users/Quorvel%1.svl").arg(name));
}

bool ProgramFolder::copyTree(const QString& from, const QString& to, bool top)
{
    const QDir source(from);
    const auto entries =
        source.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QFileInfo& entry : entries) {
        // State a run of the built program left behind would leak into the test.
        if (top && (entry.fileName() == QLatin1String("Users") ||
                    entry.fileName().endsWith(QLatin1String(".cfg")))) {
            continue;
        }
        const QString target = to + QLatin1Char('/') + entry.fileName();
        if (entry.isDir()) {
            if (!QDir().mkpath(target) || !copyTree(entry.filePath(), target, false)) {
                return false;
            }
        } else if (!QFile::copy(entry.filePath(), target)) {
            m_error = QStringLiteral("cannot copy %1 to %2").arg(entry.filePath(), target);
            return false;
        }
    }
    return true;
}

} // namespace orvane::e2e
