#include "EmailProgram.h"

#include "platform/CommandLine.h"

#include <QFileInfo>

namespace orvane {

namespace {
constexpr QChar kQuote = u'"';
constexpr QChar kPercent = u'%';
} // namespace

QString ExtractProgramPath(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (!trimmed.startsWith(kQuote))
        return trimmed;
    const qsizetype closing = trimmed.indexOf(kQuote, 1);
    if (closing < 0)
        return trimmed;
    return trimmed.mid(1, closing - 1).trimmed();
}

QStringList programArguments(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (!trimmed.startsWith(kQuote))
        return {};
    const qsizetype closing = trimmed.indexOf(kQuote, 1);
    if (closing < 0)
        return {};
    return splitArguments(trimmed.mid(closing + 1));
}

QString StripQuotes(const QString& text)
{
    const QString rest = text.mid(1);
    const qsizetype quote = rest.indexOf(kQuote);
    if (quote < 0)
        return text;
    return rest.left(quote);
}

QString ExpandEnvironment(const QString& text, const QProcessEnvironment& env)
{
    QString result = text;
    for (int pass = 0; pass < kMaxExpansionPasses; ++pass) {
        const qsizetype first = result.indexOf(kPercent);
        if (first < 0)
            break;
        const qsizetype second = result.indexOf(kPercent, first + 1);
        if (second < 0)
            break;
        const QString name = result.mid(first + 1, second - first - 1);
        result = result.left(first) + env.value(name) + result.mid(second + 1);
    }
    return result;
}

QString SetEprogFromCommand(const QString& command, const QProcessEnvironment& env)
{
    const QString text = command.trimmed();
    if (text.startsWith(kQuote))
        return kQuote + ExpandEnvironment(StripQuotes(text), env) + kQuote;
    return kQuote + ExpandEnvironment(text, env) + kQuote;
}

QString eprogFromDesktopCommand(const QString& command, const QProcessEnvironment& env)
{
    const QString text = command.trimmed();
    if (text.startsWith(kQuote) && text.indexOf(kQuote, 1) > 0)
        return text;
    return SetEprogFromCommand(text, env);
}

bool ValidEProg(const QString& text)
{
    const QString path = ExtractProgramPath(text);
    if (path.isEmpty())
        return false;
    // A folder is no program; the check stands for "a file of that path".
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

} // namespace orvane
