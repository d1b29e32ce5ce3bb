#pragma once

#include <QString>

namespace orvane {

class AnsiLineReader;
class AnsiLineWriter;

/// A program-wide object that keeps its own run of lines in the account
/// list file. The reader must consume exactly the lines the writer wrote.
class SavedBlock
{
public:
    virtual ~SavedBlock() = default;
    /// Applies the defaults once per run; called again before a read.
    virtual void LoadDefaultSettings() {}
    /// `version` is the file's first line. False when the block is damaged.
    virtual bool ReadYourselfIn(const QString& version, AnsiLineReader& in) = 0;
    virtual void WriteYourself(AnsiLineWriter& out) = 0;
};

} // namespace orvane
