#pragma once

#include <QString>
#include <QStringList>

namespace orvane {

// The argument syntax of a command text after its program: blanks separate
// arguments, double quotes group blanks into one, and inside quotes `\"` and
// `\\` stand for a quote and a backslash. Every other character is literal,
// so a plain path or option needs no escaping.

/// The arguments of `text`; an unclosed quote runs to the end of the text.
/// `escapable` lists the characters a backslash inside quotes stands for:
/// by default a quote and a backslash; a desktop entry's Exec line also
/// escapes "`" and "$".
QStringList splitArguments(const QString& text, QStringView escapable = u"\"\\");

/// `argument` written so that splitArguments gives it back unchanged.
QString quoteArgument(const QString& argument);

} // namespace orvane
