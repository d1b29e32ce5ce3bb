// profiles.ini: the default profile, every profile's mailbox and what its
// address names.
#include "FuzzSupport.h"
#include "checkers/ProfileStore.h"

using namespace orvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const ProfileStore store(
        fuzz::writeScratchFile(QStringLiteral("profiles.ini"), fuzz::bytesOf(data, size)));
    QString name;
    if (store.ReadDefaultProfile(name))
        FUZZ_CHECK(!name.isEmpty() && name.size() <= ProfileStore::MaxProfileName);
    const QStringList names = store.profileNames();
    // A check asks for one profile's mailbox; each ask reads the file anew.
    for (const QString& profile : names.mid(0, 3)) {
        QString mailbox;
        FUZZ_CHECK(store.mailboxOf(profile, &mailbox));
        const MailboxAddress address = MailboxAddress::parse(mailbox);
        if (address.isRemote())
            FUZZ_CHECK(!address.host.isEmpty());
    }
    mapiProfileNames(store);
    return 0;
}
