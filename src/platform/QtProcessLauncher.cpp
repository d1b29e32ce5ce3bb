#include "QtProcessLauncher.h"

#include <QProcess>
#include <QStringList>

namespace orvane {

bool QtProcessLauncher::startDetached(const QString& commandLine)
{
    QStringList arguments = QProcess::splitCommand(commandLine);
    if (arguments.isEmpty() || arguments.constFirst().isEmpty())
        return false;
    const QString program = arguments.takeFirst();
    // startDetached reports a failed exec (missing file, no execute right),
    // so no separate existence check is needed.
    return QProcess::startDetached(program, arguments);
}

} // namespace orvane
