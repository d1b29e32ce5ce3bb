#pragma once

#include <QByteArray>
#include <QString>

namespace orvane {

/// How much a file read from a folder other users may share is trusted.
enum class FileTrust
{
    /// Any file that can be read, through links too.
    Any,
    /// Only a regular file (not a link) owned by this user and writable by
    /// nobody else: it decides what the notifier runs in this user's name.
    OwnPrivate
};

struct FileContents
{
    enum class Status
    {
        Read,
        Missing,
        /// It exists but could not be read (permissions, I/O error).
        Unreadable,
        /// It exists but is not trusted for `FileTrust::OwnPrivate`.
        Untrusted,
        TooLarge
    };
    Status status = Status::Missing;
    QByteArray bytes;
    /// Why it was not read, for the user.
    QString reason;
};

/// Reads a whole file of at most `maxBytes` bytes.
FileContents readFileContents(const QString& path, qint64 maxBytes, FileTrust trust);

/// The mode a replaced file gets.
enum class FileMode
{
    /// Readable and writable by its owner only; a file owned by another user
    /// is never replaced.
    Private,
    /// A new file gets the mode the umask allows; a replaced one keeps its
    /// mode. For files several users of one folder share.
    Shared
};

/// Writes `contents` to a temporary file next to `path` and renames it over
/// `path` only when every byte reached the disk, so at every moment either
/// the old or the new complete file is there. A link at `path` is replaced,
/// never written through. `temporaryPath` names the file written first; by
/// default it is `path` + ".tmp-" + six random letters and digits. False with
/// the reason in `error` when anything failed; no temporary file is left.
bool writeFileAtomically(const QString& path, const QByteArray& contents, FileMode mode,
                         QString* error = nullptr, const QString& temporaryPath = {});

/// Removes this user's complete temporary files that a kill between writing
/// and renaming left next to `path` (`path` + ".tmp-" + six letters and
/// digits). Nothing else is touched, whatever its name looks like.
void removeLeftoverTemporaries(const QString& path);

/// Keeps a copy of the file at `path` as it is now under `path` + `suffix`
/// (then `suffix` + ".1", ".2", ... when that name is taken), readable by its
/// owner only. Returns the name it is kept under, or an empty text with the reason
/// in `error`.
QString keepCopy(const QString& path, const QString& suffix, QString* error = nullptr);

/// Empty when a plugin file may be loaded into this process: owned by root
/// or this user and writable by nobody else; otherwise the reason.
QString untrustedPluginReason(const QString& path);

} // namespace orvane
