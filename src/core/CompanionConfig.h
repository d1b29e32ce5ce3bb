#pragma once

#include <QString>

namespace orvane {

// The start-at-log-on choice shared with the utility program, kept in the
// user's folder of `DataFolders` (a folder text ending in "/"): "Zarnik.cfg" holds pairs of
// lines, a log-on name and its choice; "ZarnikD.cfg" holds the choice for an
// empty log-on name; "ZarnikTmp.cfg" is the per-user file while it is being
// rewritten. A user without an entry starts at log-on.

/// The choice stored for `logonName`; True when none can be read.
bool ReadCompanionConfig(const QString& folder, const QString& logonName);

/// Stores `choice` for `logonName`, keeping every other user's entry in its
/// place. The old per-user file is replaced only by a completely written new
/// one. False when the choice could not be stored.
bool WriteCompanionConfig(const QString& folder, const QString& logonName, bool choice);

/// The utility's reading: it looks at the files only when "Zarnik.cfg"
/// exists, and otherwise starts the program.
bool ShouldStartAtLogon(const QString& folder, const QString& logonName);

} // namespace orvane
