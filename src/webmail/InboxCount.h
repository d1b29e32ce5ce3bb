#pragma once

#include <QString>
#include <optional>

namespace orvane {

/// Reads the message count an inbox page shows in brackets after `marker`
/// (found without regard to case). No marker, or no ")" after it, reads as
/// 0: the page simply shows no count. A text between them that is not a
/// whole number from 0 to 2147483647 (blanks around it allowed) is no count
/// at all: nullopt, so a changed page is never told as an empty inbox.
std::optional<qint32> readInboxCount(const QString& html, const QString& marker);

/// The failure a checker reports when the inbox shows a count it cannot read.
inline constexpr const char* kUnreadableCount =
    "Error: The inbox shows a count that is not a number.";
/// The failure a checker reports when the page it should count has no document.
inline constexpr const char* kNoInboxPage = "Error: The inbox page could not be read.";

} // namespace orvane
