#pragma once

#include "platform/MailClientLocator.h"

#include <QProcessEnvironment>
#include <QStringList>

namespace orvane {

/// Finds the mailto handler of the freedesktop.org desktop: asks `xdg-mime`
/// first and reads the mimeapps.list files itself when that program is
/// missing or names nothing. The handler's desktop entry gives the command:
/// its Exec line without field codes, the program resolved through PATH and
/// put in double quotes, followed by the remaining arguments.
///
/// Every folder and the PATH come from the environment given at
/// construction, so the lookup can be pointed at other folders.
class XdgMailClientLocator final : public MailClientLocator
{
public:
    explicit XdgMailClientLocator(
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment());

    std::optional<QString> defaultMailCommand() override;

private:
    std::optional<QString> commandOfDesktopId(const QString& desktopId) const;
    QString askXdgMime() const;
    QStringList mimeAppsHandlers() const;
    QString findDesktopEntry(const QString& desktopId) const;
    QString resolveProgram(const QString& program) const;

    QString configHome() const;
    QStringList configDirs() const;
    QString dataHome() const;
    QStringList dataDirs() const;
    QStringList searchPath() const;

    QProcessEnvironment m_env;
};

} // namespace orvane
