// The mail client lookup: the input up to its first NUL byte is the user's
// mimeapps.list, the rest the desktop entry "fuzz-mail.desktop". Every
// folder the lookup reads is in the scratch folder.
#include "FuzzSupport.h"
#include "platform/CommandLine.h"
#include "platform/XdgMailClientLocator.h"

#include <QDir>

using namespace orvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QProcessEnvironment env = [] {
        const QString root = fuzz::scratchFolder();
        for (const char* folder : {"/config", "/etc", "/data/applications", "/share", "/bin"})
            QDir().mkpath(root + QLatin1String(folder));
        QProcessEnvironment e;
        e.insert(QStringLiteral("XDG_CONFIG_HOME"), root + QStringLiteral("/config"));
        e.insert(QStringLiteral("XDG_CONFIG_DIRS"), root + QStringLiteral("/etc"));
        e.insert(QStringLiteral("XDG_DATA_HOME"), root + QStringLiteral("/data"));
        e.insert(QStringLiteral("XDG_DATA_DIRS"), root + QStringLiteral("/share"));
        e.insert(QStringLiteral("PATH"), root + QStringLiteral("/bin"));
        return e;
    }();
    const QByteArray input = fuzz::bytesOf(data, size);
    const qsizetype split = input.indexOf('\0');
    fuzz::writeScratchFile(QStringLiteral("config/mimeapps.list"), input.left(split));
    fuzz::writeScratchFile(QStringLiteral("data/applications/fuzz-mail.desktop"),
                           split < 0 ? QByteArray() : input.mid(split + 1));
    const std::optional<QString> command = XdgMailClientLocator(env).defaultMailCommand();
    if (command) {
        // The program is always quoted, so a path with blanks stays one.
        FUZZ_CHECK(command->startsWith(QLatin1Char('"')));
        FUZZ_CHECK(!splitArguments(*command).isEmpty());
    }
    return 0;
}
