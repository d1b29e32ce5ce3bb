#pragma once

#include <QString>
#include <functional>
#include <memory>

namespace orvane {

class AccountList;
class MessageBoxes;
class SavedBlock;
class server;

/// The blocks the list file carries between its frame and the accounts, in
/// the order they are written and read.
struct ListFileBlocks
{
    SavedBlock& settings;
    SavedBlock& quickView;
    SavedBlock& skinDriver;
    SavedBlock& quickBar;
};

/// The one file that keeps the accounts and options between runs:
/// Users/Quorvel<log-on name>.svl under the program folder.
class AccountListFile
{
public:
    static constexpr const char* kVersion = "1.6";
    static constexpr const char* kCorruptMessage =
        "Corrupt or invalid save file.  Not all of the servers were restored.";

    /// `programFolder` ends with a slash.
    static QString PathFor(const QString& programFolder, const QString& logonName);

    /// Writes the whole list through a temporary file that replaces the old
    /// list only when every line was written; false leaves the old file.
    static bool Save(const QString& path, const AccountList& accounts,
                     const ListFileBlocks& blocks);

    enum class LoadResult
    {
        Loaded,
        Missing,
        Damaged
    };
    /// Reads the list into `accounts`; a damaged file shows the corruption
    /// message once and keeps the accounts read before the damage.
    static LoadResult Load(const QString& path, AccountList& accounts, const ListFileBlocks& blocks,
                           const std::function<std::unique_ptr<server>()>& newAccount,
                           MessageBoxes& messages, const QString& title);
};

} // namespace orvane
