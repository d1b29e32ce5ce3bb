#include "CompanionConfig.h"

#include "platform/AnsiText.h"

#include <QFile>
#include <QFileInfo>
#include <filesystem>
#include <system_error>
#include <unistd.h>

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

// Writes the new per-user file under its temporary name, then renames it over
// the old one. rename(2) replaces the target in one step, so at every moment
// either the old or the new complete file is there.
bool replacePerUserFile(const QString& folder, const QStringList& lines)
{
    const QString tmpPath = temporaryFile(folder);
    QFile tmp(tmpPath);
    // A leftover from an interrupted run may carry other permissions.
    if (tmp.exists() && !tmp.remove())
        return false;
    if (!tmp.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                  QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return false;
    AnsiLineWriter writer(tmp);
    for (const QString& line : lines)
        writer.writeLine(line);
    // Flushed to the disk before the rename, so a crash cannot leave an empty
    // file under the old name.
    const bool written = writer.ok() && tmp.flush() && ::fsync(tmp.handle()) == 0;
    tmp.close();
    if (!written || tmp.error() != QFileDevice::NoError) {
        QFile::remove(tmpPath);
        return false;
    }
    std::error_code error;
    std::filesystem::rename(QFile::encodeName(tmpPath).toStdString(),
                            QFile::encodeName(perUserFile(folder)).toStdString(), error);
    if (error) {
        QFile::remove(tmpPath);
        return false;
    }
    return true;
}

} // namespace

bool ReadCompanionConfig(const QString& programFolder, const QString& logonName)
{
    bool choice = true;
    if (logonName.isEmpty()) {
        auto reader = AnsiLineReader::open(defaultFile(programFolder));
        QString line;
        if (reader && reader->readLine(line)) {
            if (const auto value = parseBool(line))
                choice = *value;
        }
        return choice;
    }

    auto reader = AnsiLineReader::open(perUserFile(programFolder));
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

bool WriteCompanionConfig(const QString& programFolder, const QString& logonName, bool choice)
{
    if (logonName.isEmpty()) {
        if (!writeAnsiFileAtomically(defaultFile(programFolder), {boolText(choice)}))
            return false;
    }

    const QString oldPath = perUserFile(programFolder);
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
    return replacePerUserFile(programFolder, lines);
}

bool ShouldStartAtLogon(const QString& programFolder, const QString& logonName)
{
    if (!QFileInfo::exists(perUserFile(programFolder)))
        return true;
    return ReadCompanionConfig(programFolder, logonName);
}

} // namespace orvane
