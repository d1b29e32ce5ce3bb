#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace orvane {

// The e-mail program is kept as the command text the user sees in its box:
// a program path, usually in double quotes, possibly followed by arguments.

/// The program path of a command text: the text between the opening quote and
/// its partner, or the whole trimmed text when it does not begin with a quote.
/// An opening quote without a partner is kept, so the result names no file.
QString ExtractProgramPath(const QString& text);

/// The arguments that follow a quoted program path, split by the command
/// argument rules; none when the path is not quoted (the whole text is the
/// path then).
QStringList programArguments(const QString& text);

/// The part of a quoted text between its first character and the next double
/// quote; the whole text when no second quote follows.
QString StripQuotes(const QString& text);

/// Replaces "%NAME%" pairs by the variable's value from `env`, one pair per
/// pass and from the left, so a value holding "%" is expanded again. A name
/// `env` does not define becomes empty; a lone "%" stays. A value that refers
/// to itself would grow forever, so expansion stops after
/// kMaxExpansionPasses passes with the text reached.
QString ExpandEnvironment(const QString& text, const QProcessEnvironment& env);
inline constexpr int kMaxExpansionPasses = 32;

/// The e-mail program text made from a mail client's command: a quoted path
/// alone in quotes (its arguments dropped), otherwise the whole expanded text
/// in quotes.
QString SetEprogFromCommand(const QString& command, const QProcessEnvironment& env);

/// The e-mail program text made from the desktop's default mail client (its
/// program quoted, its field codes removed): kept whole, since a client
/// started through a wrapper is named by the arguments. A command whose
/// program is not quoted is taken as SetEprogFromCommand takes it.
QString eprogFromDesktopCommand(const QString& command, const QProcessEnvironment& env);

/// True when the program path of `text` names an existing file.
bool ValidEProg(const QString& text);

} // namespace orvane
