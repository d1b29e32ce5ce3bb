#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

namespace orvane {

/// What the manifest writer needs to know of the running program.
struct StyleXPProgram
{
    /// The program folder, ending in a path separator.
    QString folder;
    /// The executable's name without its extension.
    QString name;
    /// Major, minor and revision, joined by full stops.
    QString version;
    /// The file description of the executable.
    QString description;
    /// The arguments this run was started with.
    QStringList arguments;
    /// Starts the program anew, detached; true when it started.
    std::function<bool(const QString& program, const QStringList& arguments)> startProgram;
    /// Ends this run at once.
    std::function<void()> endRun;
};

/// The program this process runs, restarted detached and ended with exit
/// code 0; its version comes from the application's version (major, minor
/// and revision, missing parts 0).
StyleXPProgram RunningProgram(const QString& description);

/// The side-by-side manifest next to the executable: "<name>.exe.manifest".
QString StyleXPManifestPath(const StyleXPProgram& program);

/// The manifest that asks for version 6 of the common controls, with the
/// program's name, version and description filled in.
QByteArray StyleXPManifest(const StyleXPProgram& program);

/// Writes the manifest when it is missing, or when `overwrite` asks for it
/// (`restartIfNew` clears `overwrite`). With `restartIfNew`, a manifest that
/// was written and is now in place starts the program anew with the same
/// arguments and ends this run, so the new run comes up themed; a manifest
/// that could not be written leaves this run going. True when an existing
/// manifest was replaced.
bool InitStyleXP(bool& restartIfNew, bool& overwrite, const StyleXPProgram& program);

} // namespace orvane
