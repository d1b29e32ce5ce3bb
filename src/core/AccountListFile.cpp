#include "AccountListFile.h"

#include "AccountList.h"
#include "SavedBlock.h"
#include "platform/AnsiText.h"
#include "platform/SafeFiles.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>

namespace orvane {
namespace {

const char* const kKeptSuffix = ".damaged";

QString notLoadedMessage(const QString& path, const FileContents& file)
{
    QString text;
    if (file.status == FileContents::Status::Untrusted) {
        text = QStringLiteral("The list of accounts \"%1\" was not loaded: %2.  It must be a file "
                              "of yours that only you can change (chmod 600 \"%1\").")
                   .arg(path, file.reason);
    } else {
        text = QStringLiteral("The list of accounts \"%1\" cannot be read: %2.")
                   .arg(path, file.reason);
    }
    return text + QStringLiteral("\n\nIt is left as it is and will not be saved over; Orvane "
                                 "starts without these accounts.");
}

} // namespace

QString AccountListFile::pathFor(const DataFolders& folders, const QString& logonName)
{
    const QString name = logonName.trimmed();
    return folders.listFolder() + QStringLiteral("Quorvel") + name + QStringLiteral(".svl");
}

bool AccountListFile::importFrom(const QString& source, const QString& path, QString* error)
{
    const auto fail = [error](const QString& reason) {
        if (error)
            *error = reason;
        return false;
    };
    // A link there, even a broken one, is something of the user's too.
    if (QFileInfo(path).exists() || QFileInfo(path).isSymLink()) {
        return fail(QStringLiteral("there is a list of accounts at %1 already; it is left as it "
                                   "is. Move it away first to import %2")
                        .arg(path, source));
    }
    // The user names the file: it may be theirs in a folder of their own or
    // a copy they were given, so only its size is bounded here. The copy is
    // then loaded as every list is: damage in it is kept and reported.
    const FileContents read =
        readFileContents(source, AnsiLineReader::kMaxFileBytes, FileTrust::Any);
    if (read.status == FileContents::Status::Missing)
        return fail(QStringLiteral("%1 cannot be imported: there is no such file").arg(source));
    if (read.status != FileContents::Status::Read)
        return fail(QStringLiteral("%1 cannot be imported: %2").arg(source, read.reason));
    QDir().mkpath(QFileInfo(path).absolutePath());
    QString written;
    if (!writeFileAtomically(path, read.bytes, FileMode::Private, &written))
        return fail(QStringLiteral("%1 cannot be written: %2").arg(path, written));
    return true;
}

bool AccountListFile::save(const QString& path, const AccountList& accounts,
                           const ListFileBlocks& blocks, QString* error)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    // The whole list is made in memory first; the file on disk is replaced
    // only when all of it was written.
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    AnsiLineWriter out(buffer);
    out.writeLine(QString::fromLatin1(kVersion));
    out.writeLine(QString::number(accounts.size()));
    blocks.settings.WriteYourself(out);
    blocks.quickView.WriteYourself(out);
    blocks.skinDriver.WriteYourself(out);
    blocks.quickBar.WriteYourself(out);
    for (const auto& account : accounts) {
        if (!out.ok() || !account->SaveYourself(out)) {
            if (error)
                *error = QStringLiteral("the list could not be put together in memory");
            return false;
        }
    }
    for (SavedBlock* block :
         {&blocks.settings, &blocks.quickView, &blocks.skinDriver, &blocks.quickBar})
        block->WriteLaterLines(out);
    return writeFileAtomically(path, buffer.data(), FileMode::Private, error);
}

AccountListFile::LoadResult
AccountListFile::load(const QString& path, AccountList& accounts, const ListFileBlocks& blocks,
                      const std::function<std::unique_ptr<server>()>& newAccount,
                      MessageBoxes& messages, const QString& title)
{
    const LoadOutcome outcome = read(path, accounts, blocks, newAccount);
    if (!outcome.message.isEmpty())
        messages.showMessage(title, outcome.message, outcome.icon);
    return outcome.result;
}

AccountListFile::LoadOutcome
AccountListFile::read(const QString& path, AccountList& accounts, const ListFileBlocks& blocks,
                      const std::function<std::unique_ptr<server>()>& newAccount)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    removeLeftoverTemporaries(path);
    FileContents file =
        readFileContents(path, AnsiLineReader::kMaxFileBytes, FileTrust::OwnPrivate);
    switch (file.status) {
    case FileContents::Status::Missing:
        return {LoadResult::Missing, {}};
    case FileContents::Status::Unreadable:
    case FileContents::Status::Untrusted:
        return {LoadResult::Refused, notLoadedMessage(path, file), MessageBoxes::Icon::Warning};
    case FileContents::Status::TooLarge:
    case FileContents::Status::Read:
        break;
    }

    bool ok = file.status == FileContents::Status::Read;
    AnsiLineReader in(std::move(file.bytes));
    QString version;
    QString countText;
    in.readLine(version);
    const bool haveCount = in.readLine(countText);
    bool countOk = false;
    const int count = countText.trimmed().toInt(&countOk);
    // Without a count the blocks that follow cannot be trusted either.
    ok = ok && haveCount && countOk && count >= 0;

    if (ok) {
        blocks.settings.LoadDefaultSettings();
        blocks.quickView.LoadDefaultSettings();
        // Each block is read only when the one before it was whole: after a
        // damaged block the lines no longer line up.
        ok = blocks.settings.ReadYourselfIn(version, in) &&
             blocks.quickView.ReadYourselfIn(version, in) &&
             blocks.skinDriver.ReadYourselfIn(version, in) &&
             blocks.quickBar.ReadYourselfIn(version, in);
    }
    for (int i = 0; ok && i < count; ++i) {
        std::unique_ptr<server> account = newAccount();
        if (!account->ReadYourselfIn(in)) {
            ok = false;
            break;
        }
        accounts.append(std::move(account));
    }
    ok = ok && blocks.settings.ReadLaterLines(in) && blocks.quickView.ReadLaterLines(in) &&
         blocks.skinDriver.ReadLaterLines(in) && blocks.quickBar.ReadLaterLines(in);
    // Accounts beyond the count would be dropped by the next save (the
    // first of them is no later line either).
    ok = ok && in.onlyBlankLinesLeft();
    if (ok)
        return {LoadResult::Loaded, {}};

    // Kept before anything can save over it.
    QString error;
    const QString kept = keepCopy(path, QString::fromLatin1(kKeptSuffix), &error);
    QString text = QString::fromLatin1(kCorruptMessage) + QStringLiteral("\n\n");
    if (!kept.isEmpty()) {
        text += QStringLiteral("The file as it was is kept as \"%1\".").arg(kept);
    } else {
        text += QStringLiteral("It could not be kept as it was (%1), so it will not be saved over.")
                    .arg(error);
    }
    return {kept.isEmpty() ? LoadResult::Refused : LoadResult::Damaged, text};
}

} // namespace orvane
