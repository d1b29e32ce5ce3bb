#include "AnsiText.h"

#include <QFile>
#include <QSaveFile>
#include <array>
#include <unistd.h>

namespace orvane {
namespace Windows1252 {
namespace {

// 0x80 to 0x9F; 0 marks the five codes the page leaves undefined.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

} // namespace

int codeOf(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return u;
    for (size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] != 0 && kHighControls[i] == u)
            return static_cast<int>(0x80 + i);
    }
    // The undefined codes map to themselves, so they survive a round trip.
    if (u >= 0x80 && u <= 0x9F && kHighControls[u - 0x80] == 0)
        return u;
    return '?';
}

QChar charOf(int code)
{
    code &= 0xFF;
    if (code >= 0x80 && code <= 0x9F && kHighControls[code - 0x80] != 0)
        return QChar(kHighControls[code - 0x80]);
    return QChar(static_cast<char16_t>(code));
}

QByteArray encode(const QString& text)
{
    QByteArray out;
    out.reserve(text.size());
    for (QChar c : text)
        out.append(static_cast<char>(codeOf(c)));
    return out;
}

QString decode(const QByteArray& bytes)
{
    QString out;
    out.reserve(bytes.size());
    for (char b : bytes)
        out.append(charOf(static_cast<unsigned char>(b)));
    return out;
}

} // namespace Windows1252

AnsiLineReader::AnsiLineReader(const QByteArray& contents)
{
    qsizetype start = 0;
    while (start < contents.size()) {
        qsizetype end = contents.indexOf('\n', start);
        const bool last = end < 0;
        if (last)
            end = contents.size();
        QByteArray line = contents.mid(start, end - start);
        if (line.endsWith('\r'))
            line.chop(1);
        m_lines.append(Windows1252::decode(line));
        start = end + 1;
    }
}

std::optional<AnsiLineReader> AnsiLineReader::open(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return AnsiLineReader(file.readAll());
}

bool AnsiLineReader::readLine(QString& line)
{
    if (atEnd()) {
        line.clear();
        return false;
    }
    line = m_lines.at(m_next++);
    return true;
}

AnsiLineWriter::AnsiLineWriter(QIODevice& device) : m_device(device) {}

bool AnsiLineWriter::writeLine(const QString& line)
{
    if (!m_ok)
        return false;
    const QByteArray bytes = Windows1252::encode(line) + "\r\n";
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

bool writeAnsiFileAtomically(const QString& path, const QStringList& lines)
{
    QByteArray contents;
    for (const QString& line : lines)
        contents += Windows1252::encode(line) + "\r\n";
    return writeFileAtomically(path, contents);
}

bool writeFileAtomically(const QString& path, const QByteArray& contents)
{
    QSaveFile file(path);
    // Unbuffered, so a short write (a full disk) is seen here: a buffered
    // QSaveFile can lose the tail in its final flush and still commit.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (file.write(contents) != contents.size() || ::fsync(file.handle()) != 0) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace orvane
