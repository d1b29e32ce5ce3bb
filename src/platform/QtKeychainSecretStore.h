#pragma once

#include "SecretStore.h"

namespace orvane {

/// The desktop's keyring through QtKeychain: the Secret Service (GNOME
/// Keyring, KeePassXC) or KWallet, whichever the desktop runs.
///
/// QtKeychain names an item by a service and a key. The service is what the
/// keyring's own tools show as the item's label, so it is "Orvane: " and the
/// account's name; the key holds the scope, the kind and the account, so
/// items of two lists never meet even when their accounts share a name.
class QtKeychainSecretStore final : public SecretStore
{
    Q_OBJECT
public:
    using SecretStore::SecretStore;

    static QString serviceFor(const Key& key);
    static QString keyFor(const Key& key);

    void read(const Key& key, ReadAnswer answered) override;
    /// The label shown is always `serviceFor(key)`: QtKeychain has no label
    /// of its own to set.
    void write(const Key& key, const QString& label, const QString& secret,
               WriteAnswer answered) override;
    void remove(const Key& key, WriteAnswer answered) override;
};

} // namespace orvane
