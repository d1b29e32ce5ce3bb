// The list file: read whole, saved, read again. What the second read gives
// (saved once more) must be exactly what the first gave, or a start would
// change the user's accounts.
#include "FuzzSupport.h"
#include "core/AccountHost.h"
#include "core/AccountList.h"
#include "core/AccountListFile.h"
#include "core/GenericServer.h"
#include "core/SavedBlock.h"
#include "core/server.h"
#include "platform/AnsiText.h"
#include "platform/SystemClock.h"

#include <QFile>

using namespace orvane;

namespace {

// The accounts only read and write here; nothing is checked.
class IdleHost final : public AccountHost, public CheckerFactory
{
public:
    Clock& clock() override { return m_clock; }
    void CheckAccount(server&) override {}
    void CheckFinished() override {}
    void PlaySoundOnce(const QString&, bool) override {}
    void ShowPopup(const QString&, qint32) override {}
    void UpdateTableItem(const QString&) override {}
    int timeDisp() const override { return 0; }
    CheckerFactory& checkerFactory() override { return *this; }
    std::unique_ptr<MailChecker> createWebServer() override { return nullptr; }
    std::unique_ptr<MailChecker> createMAPI() override { return nullptr; }
    std::unique_ptr<MailChecker> createPOP3() override { return nullptr; }

private:
    SystemClock m_clock;
};

// The program-wide blocks each keep a fixed number of lines of their own
// syntax, fuzzed through their own targets; here they are kept as text.
class KeptLines final : public SavedBlock
{
public:
    explicit KeptLines(int count) : m_count(count) {}
    bool ReadYourselfIn(const QString&, AnsiLineReader& in) override
    {
        m_lines.clear();
        for (int i = 0; i < m_count; ++i) {
            QString line;
            if (!in.readLine(line))
                return false;
            m_lines << line;
        }
        return true;
    }
    void WriteYourself(AnsiLineWriter& out) override
    {
        // A block damaged half-way still writes all its lines, as the real
        // blocks write their defaults.
        for (int i = 0; i < m_count; ++i)
            out.writeLine(m_lines.value(i));
    }

private:
    const int m_count;
    QStringList m_lines;
};

struct Reading
{
    AccountList accounts;
    KeptLines settings{2}, quickView{4}, skinDriver{1}, quickBar{5};
    ListFileBlocks blocks() { return {settings, quickView, skinDriver, quickBar}; }

    AccountListFile::LoadResult read(IdleHost& host, const QString& path)
    {
        return AccountListFile::read(path, accounts, blocks(),
                                     [&host] { return std::make_unique<server>(host); })
            .result;
    }
    QByteArray saved(const QString& path)
    {
        FUZZ_CHECK(AccountListFile::save(path, accounts, blocks()));
        return fuzz::readScratchFile(path);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static IdleHost host;
    const QString path =
        fuzz::writeScratchFile(QStringLiteral("Quorvel.svl"), fuzz::bytesOf(data, size));
    Reading first;
    const AccountListFile::LoadResult result = first.read(host, path);
    // The damaged file's kept copy would take the name the next one needs.
    if (result == AccountListFile::LoadResult::Damaged)
        QFile::remove(path + QStringLiteral(".damaged"));
    if (result != AccountListFile::LoadResult::Loaded &&
        result != AccountListFile::LoadResult::Damaged)
        return 0;
    const QByteArray written = first.saved(path);
    Reading second;
    FUZZ_CHECK(second.read(host, path) == AccountListFile::LoadResult::Loaded);
    FUZZ_CHECK(second.accounts.size() == first.accounts.size());
    FUZZ_CHECK(second.saved(path) == written);
    return 0;
}
