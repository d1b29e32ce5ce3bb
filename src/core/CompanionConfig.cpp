#include "CompanionConfig.h"

#include "platform/AnsiText.h"
#include "platform/SafeFiles.h"

#include <QFileInfo>

namespace orvane {

namespace {

QString perUserFile(const QString& folder)
{
    return folder + QStringLiteral("Zarnik.cfg");
}
QString defaultFile(const QString& folder)
{
    return folder + QStringLiteral("ZarnikD.cfg");
}
QString temporaryFile(const QString& folder)
{
    return folder + QStringLiteral("ZarnikTmp.cfg");
}

bool sameName(const QString& a, const QString& b)
{
    return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

// The files are shared by every user of the program folder, so they keep
// the mode they have (a new one gets what the umask allows); the rename puts
// the complete new file in place in one step.
bool replaceFile(const QString& path, const QStringList& lines, const QString& temporary = {})
{
    return writeFileAtomically(path, encodeLines(lines), FileMode::Shared, nullptr, temporary);
}

} // namespace

bool ReadCompanionConfig(const QString& folder, const QString& logonName)
{
    bool choice = true;
    if (logonName.isEmpty()) {
        auto reader = AnsiLineReader::open(defaultFile(folder));
        QString line;
        if (reader && reader->readLine(line)) {
            if (const auto value = parseBool(line))
                choice = *value;
        }
        return choice;
    }

    auto reader = AnsiLineReader::open(perUserFile(folder));
    if (!reader)
        return choice;
    QString name;
    reader->readLine(name);
    while (!sameName(name, logonName) && !reader->atEnd()) {
        QString value;
        reader->readLine(value);
        reader->readLine(name);
    }
    // A matching name on the last line has no value: no entry.
    QString value;
    if (sameName(name, logonName) && reader->readLine(value)) {
        if (const auto parsed = parseBool(value))
            choice = *parsed;
    }
    return choice;
}

bool WriteCompanionConfig(const QString& folder, const QString& logonName, bool choice)
{
    if (logonName.isEmpty()) {
        if (!replaceFile(defaultFile(folder), {boolText(choice)}))
            return false;
    }

    const QString oldPath = perUserFile(folder);
    QStringList lines;
    bool found = false;
    if (QFileInfo::exists(oldPath)) {
        auto reader = AnsiLineReader::open(oldPath);
        // Rewriting from nothing would drop the other users' entries.
        if (!reader)
            return false;
        while (!reader->atEnd()) {
            QString name;
            QString value;
            reader->readLine(name);
            reader->readLine(value);
            name = name.trimmed();
            lines << name;
            if (sameName(name, logonName)) {
                found = true;
                lines << boolText(choice);
            } else {
                lines << value.trimmed();
            }
        }
    }
    if (!found)
        lines << logonName << boolText(choice);
    return replaceFile(perUserFile(folder), lines, temporaryFile(folder));
}

bool ShouldStartAtLogon(const QString& folder, const QString& logonName)
{
    if (!QFileInfo::exists(perUserFile(folder)))
        return true;
    return ReadCompanionConfig(folder, logonName);
}

} // namespace orvane
