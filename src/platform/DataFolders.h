#pragma once

#include <QString>
#include <QStringList>

namespace orvane {

/// Where the programs find what they ship and where they keep what they write
/// for the user running them. One rule decides:
///
/// - a program folder the user can write keeps everything, as it always has:
///   the lists in its "Users/" folder, the companion files beside the
///   programs, the skins in its "Skins/";
/// - a program folder the user cannot write (an installed package) is only
///   read: the user's lists and companion files live side by side in
///   `$XDG_DATA_HOME/orvane/` (`~/.local/share/orvane/` by default), and the
///   skins the user adds in its "Skins/", listed before the shipped ones.
///
/// Every folder text ends with "/".
class DataFolders
{
public:
    /// Everything in `programFolder`.
    explicit DataFolders(const QString& programFolder);

    /// The rule on given facts: `dataHome` is the user's data home
    /// (`$XDG_DATA_HOME`). Without a usable data home the program folder
    /// stays the place, the only one left to try.
    static DataFolders Choose(const QString& programFolder, bool programFolderWritable,
                              const QString& dataHome);
    /// The rule for the user running this process.
    static DataFolders ForProgram(const QString& programFolder);

    /// The folder of the executables and of what ships with them.
    QString programFolder() const { return m_programFolder; }
    /// Whether the user's files live in the program folder.
    bool inProgramFolder() const { return m_userFolder == m_programFolder; }
    /// The companion files' folder.
    QString userFolder() const { return m_userFolder; }
    /// The list files' folder: the list, its kept copies and the files kept
    /// beside it.
    QString listFolder() const;
    /// The folders scanned for skins, the user's own first: a skin found in
    /// an earlier folder hides one of the same name in a later one.
    QStringList skinFolders() const;

private:
    DataFolders(QString programFolder, QString userFolder);

    QString m_programFolder;
    QString m_userFolder;
};

} // namespace orvane
