#include "AnsiText.h"

#include "SafeFiles.h"

#include <QIODevice>
#include <array>

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
    line = m_utf8 ? QString::fromUtf8(bytes) : Windows1252::decode(bytes.toByteArray());
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

} // namespace orvane
