#include "QtKeychainSecretStore.h"

#include <qt6keychain/keychain.h>

namespace orvane {
namespace {

SecretStore::Outcome outcomeOf(const QKeychain::Job& job)
{
    switch (job.error()) {
    case QKeychain::NoError:
        return SecretStore::Outcome::Done;
    case QKeychain::EntryNotFound:
        return SecretStore::Outcome::NotFound;
    case QKeychain::AccessDeniedByUser:
    case QKeychain::AccessDenied:
        return SecretStore::Outcome::Locked;
    case QKeychain::NoBackendAvailable:
        return SecretStore::Outcome::Unavailable;
    case QKeychain::CouldNotDeleteEntry:
    case QKeychain::NotImplemented:
    case QKeychain::OtherError:
        break;
    }
    // With nothing on the bus to own or start the Secret Service, libsecret
    // reports the bus's refusal as an error of its own.
    const QString text = job.errorString();
    if (text.contains(QLatin1String("org.freedesktop.secrets")) &&
        (text.contains(QLatin1String("not provided")) ||
         text.contains(QLatin1String("ServiceUnknown"))))
        return SecretStore::Outcome::Unavailable;
    return SecretStore::Outcome::Failed;
}

template <typename JobType> JobType* makeJob(const SecretStore::Key& key, QObject* parent)
{
    auto* job = new JobType(QtKeychainSecretStore::serviceFor(key), parent);
    job->setKey(QtKeychainSecretStore::keyFor(key));
    // Never plain text beside the program: that is what the list file is.
    job->setInsecureFallback(false);
    job->setAutoDelete(true);
    return job;
}

} // namespace

QString QtKeychainSecretStore::serviceFor(const Key& key)
{
    return QStringLiteral("Orvane: ") + key.account;
}

QString QtKeychainSecretStore::keyFor(const Key& key)
{
    // The kind has no line break and the scope none that matters: the
    // account, which may hold anything, comes last.
    return key.scope + u'\n' + key.kind + u'\n' + key.account;
}

void QtKeychainSecretStore::read(const Key& key, ReadAnswer answered)
{
    auto* job = makeJob<QKeychain::ReadPasswordJob>(key, this);
    connect(job, &QKeychain::Job::finished, this,
            [answered = std::move(answered)](QKeychain::Job* done) {
                const Outcome outcome = outcomeOf(*done);
                const auto* reader = static_cast<QKeychain::ReadPasswordJob*>(done);
                answered(outcome, outcome == Outcome::Done ? reader->textData() : QString(),
                         outcome == Outcome::Failed ? done->errorString() : QString());
            });
    job->start();
}

void QtKeychainSecretStore::write(const Key& key, const QString& /*label*/, const QString& secret,
                                  WriteAnswer answered)
{
    auto* job = makeJob<QKeychain::WritePasswordJob>(key, this);
    job->setTextData(secret);
    connect(job, &QKeychain::Job::finished, this,
            [answered = std::move(answered)](QKeychain::Job* done) {
                const Outcome outcome = outcomeOf(*done);
                answered(outcome, outcome == Outcome::Failed ? done->errorString() : QString());
            });
    job->start();
}

void QtKeychainSecretStore::remove(const Key& key, WriteAnswer answered)
{
    auto* job = makeJob<QKeychain::DeletePasswordJob>(key, this);
    connect(job, &QKeychain::Job::finished, this,
            [answered = std::move(answered)](QKeychain::Job* done) {
                const Outcome outcome = outcomeOf(*done);
                answered(outcome, outcome == Outcome::Failed ? done->errorString() : QString());
            });
    job->start();
}

} // namespace orvane
