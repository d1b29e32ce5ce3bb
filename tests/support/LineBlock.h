#pragma once

#include "core/SavedBlock.h"
#include "platform/AnsiText.h"

#include <QBuffer>
#include <QStringList>

namespace orvane::test {

/// A saved block of fixed lines: it writes `lines` and reads back exactly as
/// many, failing at the end of the file.
class LineBlock final : public SavedBlock
{
public:
    explicit LineBlock(QStringList lines) : lines(std::move(lines)) {}

    void LoadDefaultSettings() override { ++defaultsCalls; }
    bool ReadYourselfIn(const QString& version, AnsiLineReader& in) override
    {
        seenVersion = version;
        read.clear();
        for (qsizetype i = 0; i < lines.size(); ++i) {
            QString line;
            if (!in.readLine(line))
                return false;
            read << line;
        }
        return !failRead;
    }
    void WriteYourself(AnsiLineWriter& out) override
    {
        for (const QString& line : lines)
            out.writeLine(line);
    }
    // Later lines are optional: an older file ends before them.
    bool ReadLaterLines(AnsiLineReader& in) override
    {
        for (qsizetype i = 0; i < later.size() && !in.onlyBlankLinesLeft(); ++i) {
            QString line;
            in.readLine(line);
            laterRead << line;
        }
        return true;
    }
    void WriteLaterLines(AnsiLineWriter& out) override
    {
        for (const QString& line : later)
            out.writeLine(line);
    }

    QStringList lines;
    QStringList read;
    QStringList later;
    QStringList laterRead;
    QString seenVersion;
    bool failRead = false;
    int defaultsCalls = 0;
};

/// What a block writes into the list file, as bytes.
inline QByteArray written(SavedBlock& block)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    AnsiLineWriter out(buffer);
    block.WriteYourself(out);
    return buffer.data();
}

} // namespace orvane::test
