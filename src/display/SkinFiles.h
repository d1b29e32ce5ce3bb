#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

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

/// A skin folder that holds a reader's skin file.
struct Folder
{
    /// The folder's name, the skin's name.
    QString name;
    /// The folder, ending with a slash.
    QString path;
    /// The skin file's name in the folder, in its own letter case.
    QString file;
};

/// The skin folders in each of `roots` (each ending with a slash, the
/// user's own first) that hold `skinFile` in any case, by name. A name
/// found in an earlier root hides the same name (case ignored) in later
/// ones, so a user's copy of a shipped skin takes its place in the list.
std::vector<Folder> Scan(const QStringList& roots, const QString& skinFile);

} // namespace SkinFiles

} // namespace orvane
