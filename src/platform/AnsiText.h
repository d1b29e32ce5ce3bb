#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

class QIODevice;

namespace orvane {

/// Windows-1252, the 8-bit code page of the program's text files.
namespace Windows1252 {
/// Characters the code page cannot hold become '?'.
QByteArray encode(const QString& text);
QString decode(const QByteArray& bytes);
/// The code of one character in the code page, or '?' when it has none.
int codeOf(QChar c);
QChar charOf(int code);
} // namespace Windows1252

/// Reads an ANSI text file line by line. Lines end in CR LF or LF; a last
/// line without a line end counts as a line.
class AnsiLineReader
{
public:
    explicit AnsiLineReader(const QByteArray& contents);
    /// The whole file, or nullopt when it cannot be opened.
    static std::optional<AnsiLineReader> open(const QString& path);

    /// False at the end of the text; `line` is then cleared.
    bool readLine(QString& line);
    bool atEnd() const { return m_next >= m_lines.size(); }

private:
    QStringList m_lines;
    qsizetype m_next = 0;
};

/// Writes ANSI text lines ended by CR LF to a device. The first failed write
/// is remembered; later writes are skipped.
class AnsiLineWriter
{
public:
    explicit AnsiLineWriter(QIODevice& device);
    bool writeLine(const QString& line);
    bool ok() const { return m_ok; }

private:
    QIODevice& m_device;
    bool m_ok = true;
};

/// "True"/"False" as the files write Booleans.
QString boolText(bool value);
/// "True", "False" or a number (zero is False), as the files' readers accept.
std::optional<bool> parseBool(const QString& text);

/// Writes `lines` to `path` through a temporary file that replaces the old
/// one only when every line was written; the file is readable by its owner
/// only. False when anything failed, the old file then being untouched.
bool writeAnsiFileAtomically(const QString& path, const QStringList& lines);
/// The same for text already encoded.
bool writeFileAtomically(const QString& path, const QByteArray& contents);

} // namespace orvane
