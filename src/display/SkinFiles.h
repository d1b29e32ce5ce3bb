#pragma once

#include <QString>
#include <optional>

namespace orvane {

/// The file rules both skin readers (the tray's "Skin.txt" and the bar's
/// "bSkin.txt") share, so a skin folder means the same thing to each.
namespace SkinFiles {

/// The file a skin line names, relative to `folder` (which ends with a
/// slash): "\" separates folders as on the system the skin was made on, and
/// a bare name is also found in another letter case. Only a file inside the
/// folder counts; a name that climbs out with ".." or a link that points
/// elsewhere names nothing, so a downloaded skin shows its own pictures
/// only.
std::optional<QString> Inside(const QString& folder, const QString& line);

/// The entry of `folder` called `name` in any letter case (the exact case
/// first); empty when there is none.
QString Find(const QString& folder, const QString& name);

} // namespace SkinFiles

} // namespace orvane
