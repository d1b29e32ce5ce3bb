#include "StyleXP.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <cstdlib>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace orvane {

namespace {

// One line per entry; each is followed by CR LF when written.
constexpr const char* kTemplate[] = {
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?> )",
    R"(<assembly )",
    R"(   xmlns="urn:schemas-microsoft-com:asm.v1" )",
    R"(   manifestVersion="1.0">)",
    R"(<assemblyIdentity )",
    R"(    processorArchitecture="x86" )",
    R"(    version="EXEVERSION")",
    R"(    type="win32")",
    R"(    name="EXENAME"/>)",
    R"(    <description>EXEDESCRIBTION</description>)",
    R"(    <dependency>)",
    R"(    <dependentAssembly>)",
    R"(    <assemblyIdentity)",
    R"(         type="win32")",
    R"(         name="Microsoft.Windows.Common-Controls")",
    R"(         version="6.0.0.0")",
    R"(         publicKeyToken="6595b64144ccf1df")",
    R"(         language="*")",
    R"(         processorArchitecture="x86"/>)",
    R"(    </dependentAssembly>)",
    R"(    </dependency>)",
    R"(</assembly>)",
};

// The manifest is parsed before the program runs at all: a name or
// description that broke the XML would keep the program from starting, so
// the values are escaped and written in the encoding the header declares.
QByteArray xmlValue(const QString& text)
{
    return text.toHtmlEscaped().toUtf8();
}

void setHiddenSystem(const QString& path, bool on)
{
#ifdef Q_OS_WIN
    SetFileAttributesW(reinterpret_cast<const wchar_t*>(path.utf16()),
                       on ? FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM : FILE_ATTRIBUTE_NORMAL);
#else
    // Other systems keep no such attributes.
    Q_UNUSED(path);
    Q_UNUSED(on);
#endif
}

bool manifestExists(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

bool writeManifest(const QString& path, const QByteArray& text)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const bool written = file.write(text) == text.size();
    file.close();
    return written && file.error() == QFileDevice::NoError;
}

} // namespace

StyleXPProgram RunningProgram(const QString& description)
{
    const QFileInfo executable(QCoreApplication::applicationFilePath());
    QStringList version =
        QCoreApplication::applicationVersion().split(QLatin1Char('.'), Qt::SkipEmptyParts);
    while (version.size() < 3)
        version << QStringLiteral("0");
    return {QCoreApplication::applicationDirPath() + QLatin1Char('/'),
            executable.completeBaseName(),
            version.first(3).join(QLatin1Char('.')),
            description,
            QCoreApplication::arguments().mid(1),
            [](const QString& program, const QStringList& arguments) {
                return QProcess::startDetached(program, arguments);
            },
            [] { std::exit(0); }};
}

QString StyleXPManifestPath(const StyleXPProgram& program)
{
    return program.folder + program.name + QStringLiteral(".exe.manifest");
}

QByteArray StyleXPManifest(const StyleXPProgram& program)
{
    const std::pair<QByteArray, QByteArray> values[] = {
        {"EXENAME", xmlValue(program.name + QStringLiteral(".exe"))},
        {"EXEVERSION", xmlValue(program.version + QStringLiteral(".0"))},
        {"EXEDESCRIBTION", xmlValue(program.description)},
    };
    // One pass over the template, so a value holding a placeholder's word
    // stays as it is.
    QByteArray text;
    for (const char* line : kTemplate) {
        const QByteArray source(line);
        qsizetype at = 0;
        while (at < source.size()) {
            qsizetype next = source.size();
            const std::pair<QByteArray, QByteArray>* found = nullptr;
            for (const auto& value : values) {
                const qsizetype place = source.indexOf(value.first, at);
                if (place >= 0 && place < next) {
                    next = place;
                    found = &value;
                }
            }
            text += source.mid(at, next - at);
            if (!found)
                break;
            text += found->second;
            at = next + found->first.size();
        }
        text += "\r\n";
    }
    return text;
}

bool InitStyleXP(bool& restartIfNew, bool& overwrite, const StyleXPProgram& program)
{
    if (restartIfNew)
        overwrite = false;
    const QString path = StyleXPManifestPath(program);
    const bool existed = manifestExists(path);
    if (existed && !overwrite)
        return false;

    if (existed) {
        setHiddenSystem(path, false);
        QFile::remove(path);
    }
    const bool written = writeManifest(path, StyleXPManifest(program));
    if (written)
        setHiddenSystem(path, true);

    // A run that could not leave its manifest behind would only find it
    // missing again: restart only when the next run will find it.
    if (restartIfNew && written && manifestExists(path) && program.startProgram) {
        if (program.startProgram(program.folder + program.name + QStringLiteral(".exe"),
                                 program.arguments) &&
            program.endRun)
            program.endRun();
    }
    return existed;
}

} // namespace orvane
