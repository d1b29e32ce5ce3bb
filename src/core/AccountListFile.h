#pragma once

#include "platform/DataFolders.h"
#include "platform/MessageBoxes.h"

#include <QString>
#include <functional>
#include <memory>

namespace orvane {

class AccountList;
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
/// Quorvel<log-on name>.svl in the list folder (`DataFolders::listFolder`).
class AccountListFile
{
public:
    static constexpr const char* kVersion = "1.6";
    static constexpr const char* kCorruptMessage =
        "Corrupt or invalid save file.  Not all of the servers were restored.";

    static QString pathFor(const DataFolders& folders, const QString& logonName);

    /// Copies the list at `source` to `path` for a user who has none there
    /// yet, so a move to another program folder keeps the accounts. A list
    /// at `path` is never replaced; false with the reason in `error` then,
    /// and when `source` is not a list that can be read.
    static bool importFrom(const QString& source, const QString& path, QString* error);

    /// Writes the whole list through a temporary file that replaces the old
    /// list only when every line was written; false leaves the old file and
    /// puts the reason into `error`. A file of another user under the name
    /// is never replaced.
    static bool save(const QString& path, const AccountList& accounts, const ListFileBlocks& blocks,
                     QString* error = nullptr);

    enum class LoadResult
    {
        Loaded,
        /// No file: a first run.
        Missing,
        /// Damaged; the file as it was is kept next to it, so saving over
        /// it loses nothing.
        Damaged,
        /// Not loaded, or damaged and not kept: the file is left as it is
        /// and must not be saved over.
        Refused
    };
    struct LoadOutcome
    {
        LoadResult result;
        /// What the user is to be told; empty when all went well.
        QString message;
        MessageBoxes::Icon icon = MessageBoxes::Icon::None;
    };
    /// Reads the list into `accounts`. A damaged file keeps the accounts read
    /// before the damage and is kept as it was next to itself; a file that
    /// cannot be read or trusted is left alone. Shows nothing.
    static LoadOutcome read(const QString& path, AccountList& accounts,
                            const ListFileBlocks& blocks,
                            const std::function<std::unique_ptr<server>()>& newAccount);
    /// `read`, then its message in a box.
    static LoadResult load(const QString& path, AccountList& accounts, const ListFileBlocks& blocks,
                           const std::function<std::unique_ptr<server>()>& newAccount,
                           MessageBoxes& messages, const QString& title);
};

} // namespace orvane
