#include "ImapSession.h"

#include <algorithm>
#include <vector>

namespace orvane {

namespace {

constexpr char LiteralMark = '\x01';

bool startsWithWord(const QByteArray& line, const char* word)
{
    const QByteArray w(word);
    return line.size() >= w.size() && qstrnicmp(line.constData(), w.constData(), w.size()) == 0 &&
           (line.size() == w.size() || line.at(w.size()) == ' ');
}

// The size of the literal "{n}" or "{n+}" that ends `line` before `end`, or -1.
qint64 literalBefore(const QByteArray& buffer, qsizetype end)
{
    if (end < 3 || buffer.at(end - 1) != '}')
        return -1;
    qsizetype open = end - 2;
    if (buffer.at(open) == '+')
        --open;
    qint64 size = 0;
    qsizetype digits = 0;
    while (open >= 0 && buffer.at(open) >= '0' && buffer.at(open) <= '9') {
        --open;
        ++digits;
    }
    if (open < 0 || buffer.at(open) != '{' || digits == 0 || digits > 12)
        return -1;
    for (qsizetype i = open + 1; i < open + 1 + digits; ++i)
        size = size * 10 + (buffer.at(i) - '0');
    return size;
}

} // namespace

ImapSession::ImapSession(ImapLink& link) : m_link(link) {}

QByteArray ImapSession::nextTag()
{
    return "o" + QByteArray::number(++m_tagCount);
}

ImapSession::Line ImapSession::nextLine(QByteArray* line, std::size_t limit)
{
    qsizetype from = m_scanned;
    for (;;) {
        const qsizetype end = m_buffer.indexOf("\r\n", from);
        if (end < 0) {
            // A line end may be split between two reads.
            m_scanned = std::max<qsizetype>(from, m_buffer.size() - 1);
            return std::size_t(m_buffer.size()) > limit ? Line::TooLong : Line::Incomplete;
        }
        const qint64 literal = literalBefore(m_buffer, end);
        if (literal < 0) {
            *line = m_buffer.left(end);
            m_buffer.remove(0, end + 2);
            m_scanned = 0;
            return Line::Complete;
        }
        const qint64 after = end + 2 + literal;
        if (std::size_t(after) > limit)
            return Line::TooLong;
        if (m_buffer.size() < after) {
            m_scanned = end;
            return Line::Incomplete;
        }
        from = after;
    }
}

bool ImapSession::readLine(QByteArray* line)
{
    char chunk[16 * 1024];
    for (;;) {
        switch (nextLine(line, ImapLink::MaxReplyBytes)) {
        case Line::Complete:
            return true;
        case Line::TooLong:
            return false;
        case Line::Incomplete:
            break;
        }
        const ssize_t got = m_link.read(chunk, sizeof chunk);
        if (got <= 0)
            return false;
        m_buffer.append(chunk, got);
    }
}

void ImapSession::noteCapabilities(const QByteArray& text)
{
    QByteArray list;
    const qsizetype code = text.indexOf("[CAPABILITY ");
    if (startsWithWord(text, "CAPABILITY")) {
        list = text.mid(11);
    } else if (code >= 0) {
        const qsizetype close = text.indexOf(']', code);
        list = text.mid(code + 12, close < 0 ? -1 : close - code - 12);
    } else {
        return;
    }
    QByteArrayList names;
    for (const QByteArray& name : list.split(' ')) {
        if (!name.isEmpty())
            names << name.toUpper();
    }
    m_capabilities = names;
}

bool ImapSession::greeting(bool* preauth)
{
    QByteArray line;
    if (!readLine(&line) || !line.startsWith("* "))
        return false;
    const QByteArray rest = line.mid(2);
    noteCapabilities(rest.mid(rest.indexOf(' ') + 1));
    *preauth = startsWithWord(rest, "PREAUTH");
    return *preauth || startsWithWord(rest, "OK");
}

ImapSession::Reply ImapSession::readTo(const QByteArray& tag)
{
    Reply reply;
    QByteArray line;
    while (readLine(&line)) {
        if (line.startsWith("* ")) {
            QByteArray rest = line.mid(2);
            noteCapabilities(rest);
            reply.untagged << rest;
            continue;
        }
        if (!line.startsWith(tag + ' '))
            continue; // a continuation nobody asked for
        const QByteArray rest = line.mid(tag.size() + 1);
        noteCapabilities(rest.mid(rest.indexOf(' ') + 1));
        reply.status = startsWithWord(rest, "OK")   ? Reply::Status::Ok
                       : startsWithWord(rest, "NO") ? Reply::Status::No
                                                    : Reply::Status::Bad;
        return reply;
    }
    reply.status = Reply::Status::Gone;
    return reply;
}

ImapSession::Reply ImapSession::command(const QByteArray& command, const QByteArrayList& literals)
{
    const QByteArray tag = nextTag();
    const QByteArrayList pieces = command.split(LiteralMark);
    QByteArray out = tag + ' ' + pieces.first();
    for (qsizetype i = 1; i < pieces.size(); ++i) {
        const QByteArray& literal = literals.value(i - 1);
        out += '{' + QByteArray::number(literal.size()) + "}\r\n";
        if (!m_link.writeAll(out))
            return {};
        // The server says go ahead, or refuses the whole command.
        QByteArray line;
        for (;;) {
            if (!readLine(&line))
                return {};
            if (line.startsWith('+'))
                break;
            if (line.startsWith(tag + ' '))
                return {Reply::Status::No, {}};
        }
        out = literal + pieces.at(i);
    }
    if (!m_link.writeAll(out + "\r\n"))
        return {};
    return readTo(tag);
}

ImapSession::Reply ImapSession::authenticate(const QByteArray& mechanism,
                                             const QByteArray& initialResponse,
                                             const QByteArray& onChallenge)
{
    const QByteArray tag = nextTag();
    const QByteArray encoded = initialResponse.toBase64();
    const bool inline_ = hasCapability("SASL-IR");
    QByteArray out = tag + " AUTHENTICATE " + mechanism;
    if (inline_)
        out += ' ' + (encoded.isEmpty() ? QByteArray("=") : encoded);
    if (!m_link.writeAll(out + "\r\n"))
        return {};
    bool sent = inline_;
    QByteArray line;
    // At most two go-aheads: one for the response, one carrying the reason.
    for (int challenges = 0; challenges < 2;) {
        if (!readLine(&line))
            return {};
        if (line.startsWith("* ")) {
            noteCapabilities(line.mid(2));
            continue;
        }
        if (line.startsWith(tag + ' ')) {
            const QByteArray rest = line.mid(tag.size() + 1);
            noteCapabilities(rest.mid(rest.indexOf(' ') + 1));
            return {startsWithWord(rest, "OK")   ? Reply::Status::Ok
                    : startsWithWord(rest, "NO") ? Reply::Status::No
                                                 : Reply::Status::Bad,
                    {}};
        }
        if (!line.startsWith('+'))
            continue;
        ++challenges;
        if (!m_link.writeAll((sent ? onChallenge : encoded) + "\r\n"))
            return {};
        sent = true;
    }
    return readTo(tag);
}

bool ImapSession::hasCapability(const QByteArray& name)
{
    if (!m_capabilities) {
        if (!command("CAPABILITY").ok())
            return false;
        if (!m_capabilities)
            m_capabilities = QByteArrayList();
    }
    return m_capabilities->contains(name.toUpper());
}

bool ImapSession::startIdle(QByteArrayList* untagged)
{
    m_idleTag = nextTag();
    if (!m_link.writeAll(m_idleTag + " IDLE\r\n"))
        return false;
    QByteArray line;
    while (readLine(&line)) {
        if (line.startsWith('+'))
            return true;
        if (!line.startsWith("* ") || startsWithWord(line.mid(2), "BYE"))
            return false;
        *untagged << line.mid(2);
    }
    return false;
}

ImapSession::Reply ImapSession::endIdle()
{
    if (!m_link.writeAll("DONE\r\n"))
        return {};
    return readTo(m_idleTag);
}

bool ImapSession::takeArrived(QByteArrayList* untagged, std::size_t lineLimit)
{
    char chunk[4096];
    for (;;) {
        const ssize_t got = m_link.readAvailable(chunk, sizeof chunk);
        if (got == 0 || got == -1)
            return false;
        if (got > 0)
            m_buffer.append(chunk, got);
        QByteArray line;
        for (;;) {
            const Line found = nextLine(&line, lineLimit);
            if (found == Line::TooLong)
                return false;
            if (found == Line::Incomplete)
                break;
            if (line.startsWith('+'))
                continue;
            if (!line.startsWith("* ") || startsWithWord(line.mid(2), "BYE"))
                return false;
            *untagged << line.mid(2);
        }
        if (got == -2 && !m_link.holdsUnread()) {
            // A thousand connections waiting should not each keep a read's room.
            if (m_buffer.isEmpty())
                m_buffer = QByteArray();
            return true;
        }
    }
}

QByteArray ImapSession::astring(const QByteArray& text, QByteArrayList* literals)
{
    const bool quotable =
        std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c < 0x7f; });
    if (!quotable) {
        *literals << text;
        return QByteArray(1, LiteralMark);
    }
    QByteArray out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + '"';
}

QByteArray ImapSession::modifiedUtf7(const QString& folder)
{
    QByteArray out;
    QByteArray pending; // UTF-16 big-endian bytes waiting for their base64
    const auto flush = [&] {
        if (pending.isEmpty())
            return;
        QByteArray encoded = pending.toBase64(QByteArray::OmitTrailingEquals);
        encoded.replace('/', ',');
        out += '&' + encoded + '-';
        pending.clear();
    };
    for (const QChar c : folder) {
        const char16_t u = c.unicode();
        if (u >= 0x20 && u <= 0x7e) {
            flush();
            out += u == '&' ? QByteArray("&-") : QByteArray(1, char(u));
        } else {
            pending += char(u >> 8);
            pending += char(u & 0xff);
        }
    }
    flush();
    return out;
}

std::optional<qint64> ImapSession::unseenOf(const QByteArray& line)
{
    if (!startsWithWord(line, "STATUS"))
        return std::nullopt;
    qsizetype at = 7;
    // The mailbox: quoted, a literal or an atom.
    if (at < line.size() && line.at(at) == '"') {
        for (++at; at < line.size() && line.at(at) != '"'; ++at) {
            if (line.at(at) == '\\')
                ++at;
        }
        ++at;
    } else if (at < line.size() && line.at(at) == '{') {
        const qsizetype end = line.indexOf("\r\n", at);
        const qint64 size = end < 0 ? -1 : literalBefore(line, end);
        if (size < 0)
            return std::nullopt;
        at = end + 2 + size;
    } else {
        while (at < line.size() && line.at(at) != ' ')
            ++at;
    }
    const qsizetype open = line.indexOf('(', at);
    const qsizetype close = line.indexOf(')', open);
    if (open < 0 || close < 0)
        return std::nullopt;
    const QByteArrayList items = line.mid(open + 1, close - open - 1).simplified().split(' ');
    for (qsizetype i = 0; i + 1 < items.size(); i += 2) {
        if (items.at(i).compare("UNSEEN", Qt::CaseInsensitive) != 0)
            continue;
        bool ok = false;
        const qint64 unseen = items.at(i + 1).toLongLong(&ok);
        if (ok && unseen >= 0)
            return unseen;
        return std::nullopt;
    }
    return std::nullopt;
}

qint64 ImapSession::countOfSearch(const QByteArray& line)
{
    std::vector<quint32> numbers;
    const QByteArrayList words = line.split(' ');
    numbers.reserve(std::size_t(words.size()));
    for (const QByteArray& word : words.mid(1)) {
        bool ok = false;
        const quint32 number = word.toUInt(&ok);
        if (ok)
            numbers.push_back(number);
    }
    // A server may list a message twice; it is still one message.
    std::sort(numbers.begin(), numbers.end());
    return std::unique(numbers.begin(), numbers.end()) - numbers.begin();
}

bool ImapSession::tellsOfChange(const QByteArray& untagged)
{
    const QByteArrayList words = untagged.left(64).split(' ');
    if (startsWithWord(untagged, "VANISHED") || startsWithWord(untagged, "STATUS"))
        return true;
    if (words.size() < 2 || words.first().isEmpty() ||
        !std::all_of(words.first().begin(), words.first().end(),
                     [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    const QByteArray what = words.at(1).toUpper();
    return what == "EXISTS" || what == "EXPUNGE" || what == "FETCH" || what == "RECENT";
}

} // namespace orvane
