#include "FuzzSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::unique_ptr<QTemporaryDir> scratch;

// Readers warn about bad input; at thousands of inputs a second the warnings
// would be all the fuzzer does. Fatal messages still end the run.
void quiet(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
        std::abort();
    }
}

} // namespace

// libFuzzer calls this once before the first input: the readers' timers and
// file watchers need an application object. It lives until the process
// ends: destroyed among the exit handlers, after parts of Qt it uses, it
// would crash every run at its end.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qInstallMessageHandler(quiet);
    static QCoreApplication* const application = new QCoreApplication(*argc, *argv);
    Q_UNUSED(application);
    return 0;
}

namespace orvane::fuzz {

QString scratchFolder()
{
    if (!scratch) {
        // Readers that write (the list file's save syncs it) run many times
        // faster on a memory file system.
        const QFileInfo shm(QStringLiteral("/dev/shm"));
        scratch = std::make_unique<QTemporaryDir>(
            (shm.isDir() && shm.isWritable() ? shm.filePath() : QDir::tempPath()) +
            QStringLiteral("/orvane-fuzz-XXXXXX"));
        if (!scratch->isValid())
            fail("no scratch folder");
    }
    return scratch->path();
}

QString writeScratchFile(const QString& name, const QByteArray& bytes)
{
    const QString path = scratchFolder() + QLatin1Char('/') + name;
    // Plain calls rather than QFile: its checks of the name cost more than
    // most readers spend on an input.
    const QByteArray encoded = QFile::encodeName(path);
    const int fd = ::open(encoded.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        fail("cannot write the scratch file");
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (n <= 0) {
            ::close(fd);
            fail("cannot write the scratch file");
        }
        written += n;
    }
    // A file left with other rights by a reader must be the user's alone again.
    if (::fchmod(fd, 0600) != 0 || ::close(fd) != 0)
        fail("cannot write the scratch file");
    return path;
}

QByteArray readScratchFile(const QString& path)
{
    QByteArray bytes;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        fail("cannot read the scratch file");
    char buffer[16384];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) != 0;) {
        if (n < 0) {
            ::close(fd);
            fail("cannot read the scratch file");
        }
        bytes.append(buffer, n);
    }
    ::close(fd);
    return bytes;
}

void fail(const char* what)
{
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

} // namespace orvane::fuzz
