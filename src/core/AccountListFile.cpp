#include "AccountListFile.h"

#include "AccountList.h"
#include "SavedBlock.h"
#include "platform/AnsiText.h"
#include "platform/MessageBoxes.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>

namespace orvane {

QString AccountListFile::PathFor(const QString& programFolder, const QString& logonName)
{
    const QString name = logonName.trimmed();
    return programFolder + QStringLiteral("Users/Quorvel") + name + QStringLiteral(".svl");
}

bool AccountListFile::Save(const QString& path, const AccountList& accounts,
                           const ListFileBlocks& blocks)
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
        if (!out.ok() || !account->SaveYourself(out))
            return false;
    }
    return out.ok() && writeFileAtomically(path, buffer.data());
}

AccountListFile::LoadResult
AccountListFile::Load(const QString& path, AccountList& accounts, const ListFileBlocks& blocks,
                      const std::function<std::unique_ptr<server>()>& newAccount,
                      MessageBoxes& messages, const QString& title)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    std::optional<AnsiLineReader> opened = AnsiLineReader::open(path);
    if (!opened)
        return LoadResult::Missing;
    AnsiLineReader& in = *opened;

    QString version;
    QString countText;
    in.readLine(version);
    const bool haveCount = in.readLine(countText);
    bool countOk = false;
    const int count = countText.trimmed().toInt(&countOk);

    blocks.settings.LoadDefaultSettings();
    blocks.quickView.LoadDefaultSettings();
    // Each block is read only when the one before it was whole: after a
    // damaged block the lines no longer line up.
    bool ok = blocks.settings.ReadYourselfIn(version, in) &&
              blocks.quickView.ReadYourselfIn(version, in) &&
              blocks.skinDriver.ReadYourselfIn(version, in) &&
              blocks.quickBar.ReadYourselfIn(version, in);
    ok = ok && haveCount && countOk && count >= 0;
    for (int i = 0; ok && i < count; ++i) {
        std::unique_ptr<server> account = newAccount();
        if (!account->ReadYourselfIn(in)) {
            ok = false;
            break;
        }
        accounts.append(std::move(account));
    }
    if (!ok) {
        messages.showMessage(title, QString::fromLatin1(kCorruptMessage), MessageBoxes::Icon::None);
        return LoadResult::Damaged;
    }
    return LoadResult::Loaded;
}

} // namespace orvane
