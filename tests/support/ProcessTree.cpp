#include "ProcessTree.h"

#include <QDir>
#include <QFile>

namespace orvane::test {

QSet<uint> descendantsOf(uint root)
{
    QSet<uint> found{root};
    for (bool grew = true; grew;) {
        grew = false;
        const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
        for (const QString& entry : entries) {
            bool number = false;
            const uint pid = entry.toUInt(&number);
            if (!number || found.contains(pid))
                continue;
            QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
            if (!stat.open(QIODevice::ReadOnly))
                continue;
            // The parent is the second field after the name, which may hold blanks.
            const QByteArray text = stat.readAll();
            const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
            if (found.contains(fields.value(1).toUInt())) {
                found.insert(pid);
                grew = true;
            }
        }
    }
    return found;
}

bool anyAlive(const QSet<uint>& pids)
{
    for (uint pid : pids) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (stat.open(QIODevice::ReadOnly) && !stat.readAll().contains(") Z "))
            return true;
    }
    return false;
}

} // namespace orvane::test
