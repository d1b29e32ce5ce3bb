#include "AccountSecrets.h"

#include "AccountList.h"
#include "server.h"

namespace orvane {
namespace {

struct MarkerRow
{
    const char* marker;
    QString (*kind)();
};

// Every marker a password line may hold, with the kind of secret the
// keyring keeps for it under the account's name. An account that signs in
// with its provider is not here: the sign-in keeps its token itself, under
// the provider and the user, and renaming the account leaves it be.
constexpr MarkerRow kMarkers[] = {
    {AccountSecrets::kKeyringMarker, &SecretStore::passwordKind},
};

QString labelFor(const QString& name)
{
    return QStringLiteral("Orvane: ") + name;
}

QString keyringMarker()
{
    return QString::fromLatin1(AccountSecrets::kKeyringMarker);
}

} // namespace

QString AccountSecrets::kindOf(const QString& marker)
{
    for (const MarkerRow& row : kMarkers) {
        if (marker == QLatin1String(row.marker))
            return row.kind();
    }
    return {};
}

AccountSecrets::AccountSecrets(SecretStore* store, AccountList& accounts, Hooks hooks,
                               QObject* parent)
    : QObject(parent), m_store(store), m_accounts(accounts), m_hooks(std::move(hooks))
{}

AccountSecrets::~AccountSecrets() = default;

void AccountSecrets::watch(server& account)
{
    server* watched = &account;
    connect(watched, &server::edited, this,
            [this, watched](const QString& previousName, const QString& previousPassword) {
                accountEdited(*watched, previousName, previousPassword);
            });
    connect(watched, &server::unloaded, this, [this, watched] { accountUnloaded(*watched); });
    connect(watched, &server::secretWanted, this, &AccountSecrets::askAgain);
}

void AccountSecrets::start(const QString& scope)
{
    m_scope = scope;
    m_started = true;
    const QString hold = QString::fromLatin1(m_store ? kWaitingForUnlock : kNoKeyringForAccount);
    for (const auto& account : m_accounts) {
        if (account->passwordMarker() == keyringMarker())
            account->holdForSecret(hold);
    }
    if (!m_store) {
        setKeyring(Keyring::Unavailable);
        return;
    }
    enqueue({Job::Type::Probe, {}, {}, {}, {}});
    for (const auto& account : m_accounts) {
        if (account->passwordMarker() == keyringMarker()) {
            enqueue({Job::Type::Fetch,
                     account.get(),
                     account->GetName(),
                     {},
                     SecretStore::passwordKind()});
        }
    }
    enqueueMigration();
}

void AccountSecrets::stop()
{
    m_stopped = true;
    m_jobs.clear();
    m_lockedOut.clear();
}

QString AccountSecrets::notice() const
{
    if (m_hooks.keepInFile && m_hooks.keepInFile())
        return {};
    switch (m_keyring) {
    case Keyring::Unavailable:
        return QString::fromLatin1(kNoKeyringNotice);
    case Keyring::Locked:
        return QString::fromLatin1(kLockedNotice);
    case Keyring::Unknown:
    case Keyring::Ready:
        break;
    }
    return {};
}

bool AccountSecrets::usable() const
{
    return m_store && m_started && !m_stopped &&
           (m_keyring == Keyring::Unknown || m_keyring == Keyring::Ready) &&
           !(m_hooks.keepInFile && m_hooks.keepInFile());
}

SecretStore::Key AccountSecrets::keyFor(const QString& name, const QString& kind) const
{
    return {m_scope, name, kind};
}

bool AccountSecrets::save()
{
    return m_hooks.save && m_hooks.save();
}

void AccountSecrets::setKeyring(Keyring keyring)
{
    if (std::exchange(m_keyring, keyring) != keyring)
        Q_EMIT keyringChanged();
}

void AccountSecrets::enqueue(Job job)
{
    if (m_stopped)
        return;
    m_jobs.push_back(std::move(job));
    next();
}

void AccountSecrets::enqueueMigration()
{
    if (!usable())
        return;
    for (const auto& account : m_accounts) {
        if (account->passwordMarker().isEmpty() && !account->GetPassword().isEmpty())
            enqueue({Job::Type::Store, account.get(), account->GetName(), {}, {}});
    }
}

void AccountSecrets::next()
{
    // A job that ends at once ends inside run: the loop, not recursion,
    // goes on with the next.
    if (m_inNext)
        return;
    m_inNext = true;
    while (!m_running && !m_stopped && !m_jobs.empty()) {
        const Job job = m_jobs.front();
        m_jobs.pop_front();
        m_running = true;
        run(job);
    }
    m_inNext = false;
    if (idle())
        Q_EMIT settled();
}

void AccountSecrets::done()
{
    m_running = false;
    next();
}

void AccountSecrets::run(const Job& job)
{
    QPointer<AccountSecrets> self(this);
    switch (job.type) {
    case Job::Type::Probe:
        // An item nobody writes: the answer tells whether a keyring is there
        // without asking the user to unlock it.
        m_store->read(keyFor({}, QStringLiteral("probe")), [self](SecretStore::Outcome outcome,
                                                                  const QString&, const QString&) {
            if (!self || self->m_stopped)
                return;
            if (outcome == SecretStore::Outcome::Done || outcome == SecretStore::Outcome::NotFound)
                self->setKeyring(Keyring::Ready);
            else
                self->halt(outcome);
            self->done();
        });
        return;
    case Job::Type::Fetch:
        fetch(job);
        return;
    case Job::Type::Store:
        store(job);
        return;
    case Job::Type::Move:
        move(job);
        return;
    case Job::Type::Remove:
        m_store->remove(keyFor(job.name, job.kind), [self](SecretStore::Outcome, const QString&) {
            if (self && !self->m_stopped)
                self->done();
        });
        return;
    }
}

void AccountSecrets::fetch(const Job& job)
{
    if (!job.account)
        return done();
    QPointer<AccountSecrets> self(this);
    m_store->read(
        keyFor(job.name, job.kind),
        [self, job](SecretStore::Outcome outcome, const QString& secret, const QString& detail) {
            if (!self || self->m_stopped)
                return;
            server* account = job.account;
            switch (outcome) {
            case SecretStore::Outcome::Done:
                self->setKeyring(Keyring::Ready);
                if (account)
                    account->secretArrived(secret);
                break;
            case SecretStore::Outcome::NotFound:
                self->setKeyring(Keyring::Ready);
                if (account) {
                    account->holdForSecret(QString::fromLatin1(kNotInKeyring));
                    account->ShowSecretTrouble(QString::fromLatin1(kNotInKeyring));
                }
                break;
            case SecretStore::Outcome::Locked:
            case SecretStore::Outcome::Unavailable:
                self->m_lockedOut.push_back(job);
                self->halt(outcome);
                break;
            case SecretStore::Outcome::Failed:
                // A prompt the user dismissed may end so too: the user's
                // next check asks again.
                self->m_lockedOut.push_back(job);
                if (account) {
                    const QString why =
                        QStringLiteral("The keyring did not give the password: %1").arg(detail);
                    account->holdForSecret(why);
                    account->ShowSecretTrouble(why);
                }
                break;
            }
            self->done();
        });
}

void AccountSecrets::store(const Job& job)
{
    server* account = job.account;
    // Moved already, changed since (a later job follows) or nothing to keep.
    if (!account || !usable() || !account->passwordMarker().isEmpty() ||
        account->GetPassword().isEmpty())
        return done();
    const QString name = account->GetName();
    const QString secret = account->GetPassword();
    QPointer<AccountSecrets> self(this);
    m_store->write(keyFor(name, SecretStore::passwordKind()), labelFor(name), secret,
                   [self, job, name, secret](SecretStore::Outcome outcome, const QString& detail) {
                       if (!self || self->m_stopped)
                           return;
                       if (outcome == SecretStore::Outcome::Done)
                           return self->verifyAndMark(job, name, secret);
                       if (outcome == SecretStore::Outcome::Locked ||
                           outcome == SecretStore::Outcome::Unavailable) {
                           self->halt(outcome);
                       } else if (job.account) {
                           job.account->ShowSecretTrouble(
                               QStringLiteral("The keyring did not take the password (%1); it "
                                              "stays in the list file.")
                                   .arg(detail));
                       }
                       self->done();
                   });
}

void AccountSecrets::move(const Job& job)
{
    QPointer<AccountSecrets> self(this);
    m_store->read(keyFor(job.name, job.kind), [self, job](SecretStore::Outcome outcome,
                                                          const QString& secret, const QString&) {
        if (!self || self->m_stopped)
            return;
        if (outcome != SecretStore::Outcome::Done) {
            if (outcome == SecretStore::Outcome::NotFound && job.account &&
                job.kind == SecretStore::passwordKind()) {
                job.account->holdForSecret(QString::fromLatin1(kNotInKeyring));
                job.account->ShowSecretTrouble(QString::fromLatin1(kNotInKeyring));
            }
            return self->done();
        }
        self->m_store->write(self->keyFor(job.other, job.kind), labelFor(job.other), secret,
                             [self, job, secret](SecretStore::Outcome written, const QString&) {
                                 if (!self || self->m_stopped)
                                     return;
                                 if (written == SecretStore::Outcome::Done)
                                     return self->verifyAndMark(job, job.other, secret);
                                 self->done();
                             });
    });
}

void AccountSecrets::verifyAndMark(const Job& job, const QString& target, const QString& secret)
{
    const QString kind = job.type == Job::Type::Move ? job.kind : SecretStore::passwordKind();
    QPointer<AccountSecrets> self(this);
    m_store->read(keyFor(target, kind), [self, job, target, secret,
                                         kind](SecretStore::Outcome outcome, const QString& read,
                                               const QString& detail) {
        if (!self || self->m_stopped)
            return;
        server* account = job.account;
        if (outcome != SecretStore::Outcome::Done || read != secret) {
            if (outcome == SecretStore::Outcome::Locked ||
                outcome == SecretStore::Outcome::Unavailable) {
                self->halt(outcome);
            } else if (account) {
                account->ShowSecretTrouble(
                    QStringLiteral("The keyring did not keep the password (%1); it stays in "
                                   "the list file.")
                        .arg(outcome == SecretStore::Outcome::Done
                                 ? QStringLiteral("it read back different")
                                 : detail));
            }
            return self->done();
        }
        // Removed meanwhile: its item goes too.
        if (!account) {
            self->m_jobs.push_front({Job::Type::Remove, {}, target, {}, kind});
            if (job.type == Job::Type::Move)
                self->m_jobs.push_front({Job::Type::Remove, {}, job.name, {}, kind});
            return self->done();
        }
        if (job.type == Job::Type::Store) {
            // Changed meanwhile: the job queued for the change decides; an
            // item under a name the account no longer has is of no use.
            if (account->GetName() != target || account->GetPassword() != secret ||
                !account->passwordMarker().isEmpty()) {
                if (account->GetName() != target)
                    self->m_jobs.push_front({Job::Type::Remove, {}, target, {}, kind});
                return self->done();
            }
            if (self->m_hooks.keepInFile && self->m_hooks.keepInFile()) {
                self->m_jobs.push_front({Job::Type::Remove, {}, target, {}, kind});
                return self->done();
            }
            account->setPasswordMarker(keyringMarker());
        } else if (account->isHeldForSecret() && kind == SecretStore::passwordKind()) {
            account->secretArrived(secret);
        }
        // The old item is needed until the file names the new one.
        const QString old = job.type == Job::Type::Move ? job.name : job.other;
        if (self->save() && !old.isEmpty() && old != target)
            self->m_jobs.push_front({Job::Type::Remove, {}, old, {}, kind});
        self->done();
    });
}

void AccountSecrets::halt(SecretStore::Outcome outcome)
{
    const bool locked = outcome == SecretStore::Outcome::Locked;
    setKeyring(locked ? Keyring::Locked : Keyring::Unavailable);
    // Passwords still to be read wait; moves into the keyring are made
    // again once it opens (the passwords stay in the file meanwhile).
    for (Job& job : m_jobs) {
        if (job.type == Job::Type::Fetch)
            m_lockedOut.push_back(std::move(job));
    }
    m_jobs.clear();
    const QString why = QString::fromLatin1(locked ? kWaitingForUnlock : kNoKeyringForAccount);
    for (const Job& job : m_lockedOut) {
        if (job.account) {
            job.account->holdForSecret(why);
            job.account->ShowSecretTrouble(why);
        }
    }
}

void AccountSecrets::askAgain()
{
    // Once per request, and never while the keyring is being asked.
    if (m_stopped || !idle() || m_lockedOut.empty())
        return;
    std::vector<Job> waiting = std::exchange(m_lockedOut, {});
    if (m_keyring != Keyring::Ready)
        setKeyring(Keyring::Unknown);
    for (Job& job : waiting)
        enqueue(std::move(job));
    enqueueMigration();
}

void AccountSecrets::accountEdited(server& account, const QString& previousName,
                                   const QString& previousPassword)
{
    if (!m_started || m_stopped)
        return;
    const QString marker = account.passwordMarker();
    const bool renamed = !previousName.isEmpty() && previousName != account.GetName();
    if (account.SignsInWithProvider()) {
        // A password the keyring may still hold for the account goes once
        // the file no longer points at it.
        if (!previousPassword.isEmpty() && previousPassword != server::ProviderSignIn() &&
            usable() && save())
            enqueue({Job::Type::Remove, {}, previousName, {}, SecretStore::passwordKind()});
        return;
    }
    if (marker.isEmpty()) {
        if (usable() && !account.GetPassword().isEmpty())
            enqueue({Job::Type::Store, &account, account.GetName(), {}, {}});
        return;
    }
    const QString kind = kindOf(marker);
    if (kind.isEmpty())
        return;
    if (marker == keyringMarker() && !account.isHeldForSecret()) {
        if (!renamed && account.GetPassword() == previousPassword)
            return;
        // The file holds the password until the keyring holds it under the
        // account's new name or with its new value.
        account.setPasswordMarker({});
        if (usable() && !account.GetPassword().isEmpty())
            enqueue({Job::Type::Store, &account, account.GetName(), previousName, {}});
        else if (save())
            enqueue({Job::Type::Remove, {}, previousName, {}, kind});
        return;
    }
    if (renamed)
        enqueue({Job::Type::Move, &account, previousName, account.GetName(), kind});
}

void AccountSecrets::accountUnloaded(server& account)
{
    if (!m_started || m_stopped || !m_store)
        return;
    const QString kind = kindOf(account.passwordMarker());
    if (!kind.isEmpty())
        enqueue({Job::Type::Remove, {}, account.GetName(), {}, kind});
}

void AccountSecrets::keepInFileChanged()
{
    if (!m_started || m_stopped)
        return;
    if (m_hooks.keepInFile && m_hooks.keepInFile()) {
        QStringList moved;
        for (const auto& account : m_accounts) {
            if (account->passwordMarker() == keyringMarker() && !account->isHeldForSecret()) {
                account->setPasswordMarker({});
                moved << account->GetName();
            }
        }
        // The items go only once the file holds their passwords.
        if (!moved.isEmpty() && m_store && save()) {
            for (const QString& name : moved)
                enqueue({Job::Type::Remove, {}, name, {}, SecretStore::passwordKind()});
        }
    } else {
        enqueueMigration();
    }
    Q_EMIT keyringChanged();
}

} // namespace orvane
