#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>
#include <QTime>
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

    // The values a saved block holds, one to a line. Each is false when the
    // line is missing or is not such a value; `value` then may have changed
    // only for text.
    bool readText(QString& value) { return readLine(value); }
    /// A whole number, blanks around it allowed, within the type's range.
    bool readNumber(qint16& value);
    bool readNumber(qint32& value);
    /// As parseBool reads it.
    bool readBool(bool& value);
    /// A screen position in twips, written as a single-precision number:
    /// a whole number, or in older files a fraction, which is rounded.
    bool readTwips(qint32& value);

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
    /// One value of a saved block. A line break inside text would shift
    /// every later line of the file, so it is written as a blank.
    bool writeText(QString text);
    bool writeNumber(qint64 value);
    bool writeBool(bool value);
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

/// The password as the list file keeps it: per byte of its UTF-8 text, the
/// number of digits of the byte's value, then the value. Decoding reads
/// Windows-1252 where the bytes are not valid UTF-8, as older files hold.
QString encodePassword(const QString& password);
/// The reverse; nullopt-like failure is reported through `ok`.
QString decodePassword(const QString& encoded, bool* ok);
/// A password line that says where the secret is kept instead of holding
/// it: a word between two asterisks ("*keyring*"), which no encoded
/// password (digits only) can be. Markers a later version adds read too.
bool isPasswordMarker(const QString& line);

/// The list file writes times and dates in one fixed form (ISO 8601) and
/// reads that form and the common short forms of earlier files. A date is
/// read only with a year from 1 to 9999, the years the fixed form holds; a
/// time only to the whole second.
QString formatSavedTime(const QTime& time);
QString formatSavedDate(const QDate& date);
QTime parseSavedTime(const QString& text);
QDate parseSavedDate(const QString& text);

} // namespace orvane
