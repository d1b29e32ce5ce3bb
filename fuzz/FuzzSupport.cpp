#include "FuzzSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <memory>

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
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        file.write(bytes) != bytes.size())
        fail("cannot write the scratch file");
    return path;
}

void fail(const char* what)
{
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

} // namespace orvane::fuzz
