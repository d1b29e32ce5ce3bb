#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

class QIODevice;

namespace orvane {

/// Windows-1252, the code page of text files written by earlier versions;
/// files that are not valid UTF-8 are read in it.
namespace Windows1252 {
QString decode(const QByteArray& bytes);
} // namespace Windows1252

/// True when `bytes` are valid UTF-8 (plain ASCII is).
bool isValidUtf8(const QByteArray& bytes);
/// UTF-8 when the bytes are valid UTF-8, Windows-1252 otherwise.
QString decodeText(const QByteArray& bytes);

/// Reads the program's text files line by line: UTF-8, or Windows-1252 for a
/// file that is not valid UTF-8 as a whole. Lines end in CR LF or LF; a last
/// line without a line end counts as a line. A line longer than
/// `kMaxLineBytes` stops the reading, as the end of the file would.
class AnsiLineReader
{
public:
    static constexpr qsizetype kMaxLineBytes = 64 * 1024;
    /// Far above any real list of accounts.
    static constexpr qint64 kMaxFileBytes = 64 * 1024 * 1024;

    explicit AnsiLineReader(QByteArray contents);
    /// The file at `path`, or nullopt when it cannot be read or is larger
    /// than `kMaxFileBytes`.
    static std::optional<AnsiLineReader> open(const QString& path);

    /// False at the end of the text or after an over-long line; `line` is
    /// then cleared.
    bool readLine(QString& line);
    bool atEnd() const { return m_failed || m_next >= m_bytes.size(); }
    /// True when an over-long line stopped the reading.
    bool failed() const { return m_failed; }
    /// True when nothing but blank lines is left.
    bool onlyBlankLinesLeft() const;

private:
    QByteArray m_bytes;
    qsizetype m_next = 0;
    bool m_utf8 = true;
    bool m_failed = false;
};

/// Writes text lines ended by CR LF to a device, in UTF-8. The first failed
/// write is remembered; later writes are skipped.
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

/// The lines as a text file writes them: UTF-8, each ended by CR LF.
QByteArray encodeLines(const QStringList& lines);

} // namespace orvane
