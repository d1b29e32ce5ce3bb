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

    /// Lines added after version 1.6 follow the accounts, where a reader
    /// that knows only the first blocks stops: one value a line, in the
    /// order they were added. A file that ends before a line leaves its
    /// value unread. False when a line is there but damaged.
    virtual bool ReadLaterLines(AnsiLineReader& /*in*/) { return true; }
    virtual void WriteLaterLines(AnsiLineWriter& /*out*/) {}
};

} // namespace orvane
