#pragma once

#include <QString>
#include <QTemporaryDir>

namespace orvane::e2e {

/// A private copy of the built program folder (the path in the environment
/// variable ORVANE_PROGRAM_DIR), so each test starts the real programs with
/// its own list files, companion files and skins. Files a previous run left
/// in the built folder (the Users folder, the companion files) are not copied.
class ProgramFolder
{
public:
    ProgramFolder();

    /// False with `errorString()` when the built folder is missing or the
    /// copy failed.
    bool isValid() const { return m_error.isEmpty(); }
    QString errorString() const { return m_error; }

    QString path() const { return m_dir.path(); }
    QString filePath(const QString& relative) const { return m_dir.filePath(relative); }

    /// The account list file of the user running the test, as the notifier
    /// names it: Users/Quorvel<log-on name>.svl.
    QString accountListPath() const;

private:
    bool copyTree(const QString& from, const QString& to, bool top);

    QTemporaryDir m_dir;
    QString m_error;
};

} // namespace orvane::e2e
