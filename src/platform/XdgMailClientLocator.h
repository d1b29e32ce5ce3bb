#pragma once

#include "platform/MailClientLocator.h"

#include <QProcessEnvironment>
#include <QStringList>

namespace orvane {

/// Finds the mailto handler of the freedesktop.org desktop by reading the
/// small files the desktop keeps it in, so nothing waits on another program:
/// the default named by the first mimeapps.list that names an installed one
/// (the user's, the administrator's, then the distribution's, each
/// desktop-specific list before the general one), otherwise the first
/// installed handler the lists add or the desktop entries declare, less those
/// a list removed. The handler's desktop entry gives the command: its Exec
/// line without field codes, the program resolved through PATH and put in
/// double quotes, followed by the remaining arguments.
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
    struct Handlers
    {
        QStringList defaults;
        QStringList associated;
    };

    std::optional<QString> commandOfDesktopId(const QString& desktopId) const;
    Handlers mailtoHandlers() const;
    QStringList applicationFolders() const;
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
