#include "AnsiText.h"

#include "SafeFiles.h"

#include <QIODevice>
#include <QLocale>
#include <QStringDecoder>
#include <array>
#include <cmath>
#include <limits>

namespace orvane {
namespace Windows1252 {
namespace {

// 0x80 to 0x9F; 0 marks the five codes the page leaves undefined.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

} // namespace

QString decode(const QByteArray& bytes)
{
    QString out;
    out.reserve(bytes.size());
    for (const char b : bytes) {
        const auto code = static_cast<unsigned char>(b);
        // The undefined codes map to themselves.
        const bool high = code >= 0x80 && code <= 0x9F && kHighControls[code - 0x80] != 0;
        out.append(QChar(high ? kHighControls[code - 0x80] : char16_t(code)));
    }
    return out;
}

} // namespace Windows1252

bool isValidUtf8(const QByteArray& bytes)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const auto* const end = p + bytes.size();
    while (p < end) {
        const unsigned char lead = *p++;
        if (lead < 0x80)
            continue;
        int more = 0;
        // The smallest second byte that is no overlong form, the largest
        // that is no surrogate and stays below U+110000.
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            more = 1;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            more = 2;
            low = lead == 0xE0 ? 0xA0 : 0x80;
            high = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            more = 3;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;
        } else {
            return false;
        }
        if (end - p < more || *p < low || *p > high)
            return false;
        for (int i = 1; i < more; ++i) {
            if ((p[i] & 0xC0) != 0x80)
                return false;
        }
        p += more;
    }
    return true;
}

QString decodeText(const QByteArray& bytes)
{
    return isValidUtf8(bytes) ? QString::fromUtf8(bytes) : Windows1252::decode(bytes);
}

AnsiLineReader::AnsiLineReader(QByteArray contents)
    : m_bytes(std::move(contents)), m_utf8(isValidUtf8(m_bytes))
{
    // A byte-order mark some editors put in front is not part of the text.
    if (m_utf8 && m_bytes.startsWith("\xEF\xBB\xBF"))
        m_next = 3;
}

std::optional<AnsiLineReader> AnsiLineReader::open(const QString& path)
{
    FileContents file = readFileContents(path, kMaxFileBytes, FileTrust::Any);
    if (file.status != FileContents::Status::Read)
        return std::nullopt;
    return AnsiLineReader(std::move(file.bytes));
}

bool AnsiLineReader::readLine(QString& line)
{
    line.clear();
    if (atEnd())
        return false;
    qsizetype end = m_bytes.indexOf('\n', m_next);
    const qsizetype next = end < 0 ? m_bytes.size() : end + 1;
    if (end < 0)
        end = m_bytes.size();
    qsizetype length = end - m_next;
    if (length > 0 && m_bytes.at(end - 1) == '\r')
        --length;
    if (length > kMaxLineBytes) {
        m_failed = true;
        return false;
    }
    const QByteArrayView bytes = QByteArrayView(m_bytes).sliced(m_next, length);
    // The file's own byte-order mark was passed over at its start. One that
    // starts a line is part of the line, which fromUtf8 would drop, so each
    // save and load of the list took one away.
    line = m_utf8 ? QString(QStringDecoder(QStringDecoder::Utf8,
                                           QStringDecoder::Flag::ConvertInitialBom)(bytes))
                  : Windows1252::decode(bytes.toByteArray());
    m_next = next;
    return true;
}

bool AnsiLineReader::onlyBlankLinesLeft() const
{
    if (m_failed)
        return false;
    for (qsizetype i = m_next; i < m_bytes.size(); ++i) {
        const char c = m_bytes.at(i);
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            return false;
    }
    return true;
}

AnsiLineWriter::AnsiLineWriter(QIODevice& device) : m_device(device) {}

bool AnsiLineWriter::writeLine(const QString& line)
{
    if (!m_ok)
        return false;
    const QByteArray bytes = line.toUtf8() + "\r\n";
    m_ok = m_device.write(bytes) == bytes.size();
    return m_ok;
}

namespace {

template <typename Int> bool readWholeNumber(AnsiLineReader& in, Int& value)
{
    QString line;
    if (!in.readLine(line))
        return false;
    bool ok = false;
    const qint64 number = line.trimmed().toLongLong(&ok);
    if (!ok || number < std::numeric_limits<Int>::min() || number > std::numeric_limits<Int>::max())
        return false;
    value = Int(number);
    return true;
}

} // namespace

bool AnsiLineReader::readNumber(qint16& value)
{
    return readWholeNumber(*this, value);
}

bool AnsiLineReader::readNumber(qint32& value)
{
    return readWholeNumber(*this, value);
}

bool AnsiLineReader::readBool(bool& value)
{
    QString line;
    if (!readLine(line))
        return false;
    const std::optional<bool> parsed = parseBool(line);
    if (!parsed)
        return false;
    value = *parsed;
    return true;
}

bool AnsiLineReader::readTwips(qint32& value)
{
    QString line;
    if (!readLine(line))
        return false;
    bool ok = false;
    const double number = line.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(number) || number < std::numeric_limits<qint32>::min() ||
        number > std::numeric_limits<qint32>::max())
        return false;
    value = qint32(std::lround(number));
    return true;
}

bool AnsiLineWriter::writeText(QString text)
{
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return writeLine(text);
}

bool AnsiLineWriter::writeNumber(qint64 value)
{
    return writeLine(QString::number(value));
}

bool AnsiLineWriter::writeBool(bool value)
{
    return writeLine(boolText(value));
}

QString boolText(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

std::optional<bool> parseBool(const QString& text)
{
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const double number = t.toDouble(&ok);
    if (ok)
        return number != 0.0;
    return std::nullopt;
}

QByteArray encodeLines(const QStringList& lines)
{
    QByteArray contents;
    for (const QString& line : lines)
        contents += line.toUtf8() + "\r\n";
    return contents;
}

QString encodePassword(const QString& password)
{
    // Digit count and code per byte of the UTF-8 text: an ASCII password
    // reads as it always did.
    QString out;
    for (const char byte : password.toUtf8()) {
        const QString code = QString::number(static_cast<unsigned char>(byte));
        out += QString::number(code.size()) + code;
    }
    return out;
}

QString decodePassword(const QString& encoded, bool* ok)
{
    QByteArray bytes;
    qsizetype at = 0;
    *ok = false;
    while (at < encoded.size()) {
        const int digits = encoded.at(at).digitValue();
        if (digits < 1 || digits > 3 || at + 1 + digits > encoded.size())
            return {};
        bool numberOk = false;
        const int code = encoded.mid(at + 1, digits).toInt(&numberOk);
        if (!numberOk || code < 0 || code > 255)
            return {};
        bytes += char(code);
        at += 1 + digits;
    }
    *ok = true;
    // Earlier versions wrote the Windows-1252 codes of the characters.
    return decodeText(bytes);
}

bool isPasswordMarker(const QString& line)
{
    if (line.size() < 3 || !line.startsWith(u'*') || !line.endsWith(u'*'))
        return false;
    for (const QChar c : QStringView(line).sliced(1, line.size() - 2)) {
        if (!c.isLetterOrNumber() && c != u'-' && c != u'_')
            return false;
    }
    return true;
}

QString formatSavedTime(const QTime& time)
{
    return time.toString(QStringLiteral("HH:mm:ss"));
}

QString formatSavedDate(const QDate& date)
{
    return date.toString(QStringLiteral("yyyy-MM-dd"));
}

namespace {

// The saved form has whole seconds: a fraction read from a combined date and
// time would be lost by the next save, so it is not read in the first place.
QTime toWholeSeconds(const QTime& time)
{
    return time.isValid() ? QTime(time.hour(), time.minute(), time.second()) : QTime();
}

} // namespace

QTime parseSavedTime(const QString& text)
{
    const QString t = text.trimmed();
    static const char* const formats[] = {"HH:mm:ss", "H:mm:ss",    "H:mm",   "h:mm:ss AP",
                                          "h:mm AP",  "h:mm:ss ap", "h:mm ap"};
    for (const char* format : formats) {
        const QTime time = QTime::fromString(t, QLatin1String(format));
        if (time.isValid())
            return time;
    }
    // A combined date and time, as some regional settings write it.
    const QDateTime both = QDateTime::fromString(t, Qt::ISODate);
    if (both.isValid())
        return toWholeSeconds(both.time());
    return toWholeSeconds(QLocale::system().toTime(t, QLocale::ShortFormat));
}

namespace {

// The saved form writes the year in four digits; a date outside them (a
// negative year the short forms let through) would be saved as text no reader
// takes back, and the list would break at the next start instead of now.
QDate inSavedYears(const QDate& date)
{
    return date.isValid() && date.year() >= 1 && date.year() <= 9999 ? date : QDate();
}

// Qt reads a two-digit year into 1900-1999; a saved date lies closer to now.
QDate withCenturyWindow(QDate date, const QString& format)
{
    if (date.isValid() && !format.contains(QLatin1String("yyyy")) && date.year() < 1950)
        date = date.addYears(100);
    return date;
}

QDate dateInFormat(const QString& text, const QString& format)
{
    return inSavedYears(withCenturyWindow(QDate::fromString(text, format), format));
}

} // namespace

QDate parseSavedDate(const QString& text)
{
    const QString t = text.trimmed();
    QDate date = inSavedYears(QDate::fromString(t, Qt::ISODate));
    if (date.isValid())
        return date;

    // Earlier files were written in the short form of the regional settings,
    // with a two- or a four-digit year whatever the form says.
    QString localForm = QLocale().dateFormat(QLocale::ShortFormat);
    localForm.replace(QLatin1String("dd"), QLatin1String("d"));
    localForm.replace(QLatin1String("MM"), QLatin1String("M"));
    localForm.replace(QLatin1String("yyyy"), QLatin1String("yy"));
    QString localLong = localForm;
    localLong.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    for (const QString& format : {localLong, localForm}) {
        date = dateInFormat(t, format);
        if (date.isValid())
            return date;
    }

    // Month first is the form most often written, then the other common ones.
    static const char* const formats[] = {"M/d/yyyy", "M/d/yy",   "d/M/yyyy", "d.M.yyyy",
                                          "d.M.yy",   "d-M-yyyy", "yyyy/M/d"};
    for (const char* format : formats) {
        date = dateInFormat(t, QLatin1String(format));
        if (date.isValid())
            return date;
    }
    return {};
}

} // namespace orvane
