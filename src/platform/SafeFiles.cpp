#include "SafeFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane {
namespace {

constexpr int kRandomLength = 6;
// Between the file's name and the random part of a temporary's name. No user
// names a copy like this, so the clean-up at start can tell our leftovers
// from the user's own files (a backup "list.backup" has six letters too).
constexpr char kTemporaryMarker[] = ".tmp-";

QString errnoText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Closes the descriptor on every way out.
class Descriptor
{
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    /// Closes now; false when the close reported an error (a late write
    /// failure on some file systems).
    bool close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

bool writeAll(int fd, const char* data, qint64 size)
{
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size_t(size - done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += n;
    }
    return true;
}

QByteArray randomSuffix()
{
    static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray out;
    for (int i = 0; i < kRandomLength; ++i)
        out += kLetters[QRandomGenerator::global()->bounded(int(sizeof(kLetters) - 1))];
    return out;
}

bool isRandomSuffix(QStringView text)
{
    if (text.size() != kRandomLength)
        return false;
    for (QChar c : text) {
        if (c.unicode() > 0x7F || !c.isLetterOrNumber())
            return false;
    }
    return true;
}

void syncFolderOf(const QByteArray& path)
{
    const QByteArray folder = QFile::encodeName(QFileInfo(QFile::decodeName(path)).absolutePath());
    Descriptor dir(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.valid())
        ::fsync(dir.get());
}

} // namespace

FileContents readFileContents(const QString& path, qint64 maxBytes, FileTrust trust)
{
    FileContents result;
    const QByteArray name = QFile::encodeName(path);
    // Non-blocking: a FIFO planted under the name must not hang the start.
    int flags = O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    if (trust == FileTrust::OwnPrivate)
        flags |= O_NOFOLLOW;
    Descriptor fd(::open(name.constData(), flags));
    if (!fd.valid()) {
        const int error = errno;
        if (error == ENOENT) {
            result.status = FileContents::Status::Missing;
        } else if (error == ELOOP && trust == FileTrust::OwnPrivate) {
            result.status = FileContents::Status::Untrusted;
            result.reason = QStringLiteral("it is a symbolic link");
        } else {
            result.status = FileContents::Status::Unreadable;
            result.reason = errnoText(error);
        }
        return result;
    }
    struct stat info
    {};
    if (::fstat(fd.get(), &info) != 0) {
        result.status = FileContents::Status::Unreadable;
        result.reason = errnoText(errno);
        return result;
    }
    if (!S_ISREG(info.st_mode)) {
        result.status = trust == FileTrust::OwnPrivate ? FileContents::Status::Untrusted
                                                       : FileContents::Status::Unreadable;
        result.reason = QStringLiteral("it is not a regular file");
        return result;
    }
    if (trust == FileTrust::OwnPrivate) {
        if (info.st_uid != ::geteuid()) {
            result.status = FileContents::Status::Untrusted;
            result.reason = QStringLiteral("it belongs to another user");
            return result;
        }
        if (info.st_mode & (S_IWGRP | S_IWOTH)) {
            result.status = FileContents::Status::Untrusted;
            result.reason = QStringLiteral("other users may change it");
            return result;
        }
    }
    if (info.st_size > maxBytes) {
        result.status = FileContents::Status::TooLarge;
        result.reason = QStringLiteral("it is larger than %1 bytes").arg(maxBytes);
        return result;
    }
    // The file may grow while it is read: never take more than the limit.
    QByteArray bytes(qsizetype(info.st_size) + 1, Qt::Uninitialized);
    qint64 got = 0;
    for (;;) {
        if (got == bytes.size()) {
            if (got > maxBytes) {
                result.status = FileContents::Status::TooLarge;
                result.reason = QStringLiteral("it is larger than %1 bytes").arg(maxBytes);
                return result;
            }
            bytes.resize(qMin<qint64>(maxBytes + 1, got * 2 + 4096));
        }
        const ssize_t n = ::read(fd.get(), bytes.data() + got, size_t(bytes.size() - got));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            result.status = FileContents::Status::Unreadable;
            result.reason = errnoText(errno);
            return result;
        }
        if (n == 0)
            break;
        got += n;
    }
    if (got > maxBytes) {
        result.status = FileContents::Status::TooLarge;
        result.reason = QStringLiteral("it is larger than %1 bytes").arg(maxBytes);
        return result;
    }
    bytes.truncate(got);
    result.status = FileContents::Status::Read;
    result.bytes = std::move(bytes);
    return result;
}

bool writeFileAtomically(const QString& path, const QByteArray& contents, FileMode mode,
                         QString* error, const QString& temporaryPath)
{
    auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    const QByteArray target = QFile::encodeName(path);
    struct stat old
    {};
    const bool exists = ::lstat(target.constData(), &old) == 0;
    if (!exists && errno != ENOENT)
        return fail(errnoText(errno));
    if (exists && S_ISDIR(old.st_mode))
        return fail(QStringLiteral("a folder has its name"));
    if (exists && mode == FileMode::Private && old.st_uid != ::geteuid())
        return fail(QStringLiteral("a file of another user has its name"));

    // The kernel applies the umask to the mode a new file is opened with.
    mode_t perms = mode == FileMode::Private ? 0600 : 0666;
    const bool keepMode = mode == FileMode::Shared && exists && S_ISREG(old.st_mode);
    if (keepMode)
        perms = old.st_mode & 0777;
    const int flags = O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW;
    QByteArray temporary;
    int fd = -1;
    if (!temporaryPath.isEmpty()) {
        temporary = QFile::encodeName(temporaryPath);
        // A leftover from an interrupted run may carry other permissions.
        ::unlink(temporary.constData());
        fd = ::open(temporary.constData(), flags, perms);
    } else {
        for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
            temporary = target + kTemporaryMarker + randomSuffix();
            fd = ::open(temporary.constData(), flags, perms);
            if (fd < 0 && errno != EEXIST)
                break;
        }
    }
    if (fd < 0)
        return fail(errnoText(errno));
    Descriptor file(fd);
    if (keepMode)
        ::fchmod(file.get(), perms); // the umask may have narrowed it

    // Flushed to the disk before the rename, so a crash cannot leave an empty
    // file under the old name.
    bool written =
        writeAll(file.get(), contents.constData(), contents.size()) && ::fsync(file.get()) == 0;
    int savedError = errno;
    if (!file.close() && written) {
        written = false;
        savedError = errno;
    }
    if (!written) {
        ::unlink(temporary.constData());
        return fail(errnoText(savedError));
    }
    // Looked at again right before the rename: the folder may be shared.
    struct stat now
    {};
    if (mode == FileMode::Private && ::lstat(target.constData(), &now) == 0 &&
        now.st_uid != ::geteuid()) {
        ::unlink(temporary.constData());
        return fail(QStringLiteral("a file of another user has its name"));
    }
    if (::rename(temporary.constData(), target.constData()) != 0) {
        savedError = errno;
        ::unlink(temporary.constData());
        return fail(errnoText(savedError));
    }
    syncFolderOf(target);
    return true;
}

void removeLeftoverTemporaries(const QString& path)
{
    const QFileInfo info(path);
    // Only names this writer makes: temporaries of older versions (a dot and
    // six letters) cannot be told from a user's own copy and are left alone.
    const QString prefix = info.fileName() + QLatin1String(kTemporaryMarker);
    const QDir folder = info.absoluteDir();
    const QStringList names =
        folder.entryList({prefix + QStringLiteral("*")}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        if (!isRandomSuffix(QStringView(name).mid(prefix.size())))
            continue;
        const QByteArray leftover = QFile::encodeName(folder.filePath(name));
        struct stat st
        {};
        if (::lstat(leftover.constData(), &st) == 0 && S_ISREG(st.st_mode) &&
            st.st_uid == ::geteuid())
            ::unlink(leftover.constData());
    }
}

QString keepCopy(const QString& path, const QString& suffix, QString* error)
{
    auto fail = [error](int number) {
        if (error)
            *error = number ? errnoText(number) : QStringLiteral("every name is taken");
        return QString();
    };
    // A copy, not a second name: an editor that writes the list in place
    // would change a second name as well.
    Descriptor in(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (!in.valid())
        return fail(errno);
    for (int n = 0; n < 1000; ++n) {
        QString copy = path + suffix;
        if (n > 0)
            copy += QLatin1Char('.') + QString::number(n);
        const QByteArray target = QFile::encodeName(copy);
        Descriptor out(
            ::open(target.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
        if (!out.valid() && errno == EEXIST)
            continue;
        if (!out.valid())
            return fail(errno);
        char buffer[65536];
        ssize_t got = 0;
        do {
            got = ::read(in.get(), buffer, sizeof buffer);
        } while ((got > 0 && writeAll(out.get(), buffer, got)) || (got < 0 && errno == EINTR));
        if (got == 0 && ::fsync(out.get()) == 0 && out.close())
            return copy;
        const int failure = errno;
        ::unlink(target.constData());
        return fail(failure ? failure : EIO);
    }
    return fail(0);
}

QString untrustedPluginReason(const QString& path)
{
    struct stat info
    {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return errnoText(errno);
    if (info.st_uid != 0 && info.st_uid != ::geteuid())
        return QStringLiteral("it belongs to another user");
    if (info.st_mode & S_IWOTH)
        return QStringLiteral("other users may change it");
    return {};
}

} // namespace orvane
