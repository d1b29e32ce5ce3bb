#include "CommandLine.h"

#include <algorithm>

namespace orvane {

namespace {
constexpr QChar kQuote = u'"';
constexpr QChar kBackslash = u'\\';

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}
} // namespace

QStringList splitArguments(const QString& text, QStringView escapable)
{
    QStringList arguments;
    QString current;
    bool inArgument = false;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            const QChar next = i + 1 < text.size() ? text.at(i + 1) : QChar();
            if (c == kBackslash && !next.isNull() && escapable.contains(next)) {
                current += next;
                ++i;
            } else if (c == kQuote) {
                quoted = false;
            } else {
                current += c;
            }
        } else if (c == kQuote) {
            quoted = true;
            inArgument = true;
        } else if (isBlank(c)) {
            if (inArgument)
                arguments << current;
            current.clear();
            inArgument = false;
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (inArgument)
        arguments << current;
    return arguments;
}

QString quoteArgument(const QString& argument)
{
    const bool plain =
        !argument.isEmpty() && std::none_of(argument.begin(), argument.end(), [](QChar c) {
            return isBlank(c) || c == kQuote || c == kBackslash;
        });
    if (plain)
        return argument;
    QString quoted(kQuote);
    for (const QChar c : argument) {
        if (c == kQuote || c == kBackslash)
            quoted += kBackslash;
        quoted += c;
    }
    return quoted + kQuote;
}

} // namespace orvane
