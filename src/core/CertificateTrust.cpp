#include "CertificateTrust.h"

#include "ServerAddress.h"
#include "platform/SafeFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QMutexLocker>
#include <QStringList>
#include <QUrl>
#include <algorithm>

namespace orvane {

namespace {
constexpr int DigestBytes = 32;
}

QString CertificateTrust::pathBeside(const QString& listPath)
{
    QString path = listPath;
    if (path.endsWith(QLatin1String(".svl")))
        path.chop(4);
    return path + QStringLiteral(".trust");
}

QString CertificateTrust::keyFor(const ServerAddress& address, const QString& userName)
{
    const QString scheme = address.protocol == ServerAddress::Protocol::Pop3
                               ? QStringLiteral("pop3")
                               : QStringLiteral("imap");
    // Encoded, so no user name can carry a blank or a line break into the file.
    return scheme + QStringLiteral("://") + QString::fromLatin1(QUrl::toPercentEncoding(userName)) +
           QLatin1Char('@') + address.hostAndPort();
}

QString CertificateTrust::fingerprintText(const QByteArray& sha256)
{
    return QString::fromLatin1(sha256.toHex(':').toUpper());
}

CertificateTrust::CertificateTrust(QString path) : m_path(std::move(path)) {}

void CertificateTrust::loadLocked() const
{
    if (m_loaded)
        return;
    m_loaded = true;
    // Only a file of the user's own may tell the notifier whom to trust.
    const FileContents file = readFileContents(m_path, MaxFileBytes, FileTrust::OwnPrivate);
    if (file.status != FileContents::Status::Read)
        return;
    for (const QByteArray& line : file.bytes.split('\n')) {
        const QList<QByteArray> fields = line.trimmed().split(' ');
        if (fields.size() != 2)
            continue;
        const QByteArray digest = QByteArray::fromHex(fields.at(1));
        if (digest.size() == DigestBytes && fields.at(1).size() == 2 * DigestBytes)
            m_digests.insert(QString::fromLatin1(fields.at(0)), digest);
    }
}

bool CertificateTrust::saveLocked(QString* error)
{
    QStringList keys = m_digests.keys();
    std::sort(keys.begin(), keys.end());
    QByteArray out;
    for (const QString& key : keys)
        out += key.toLatin1() + ' ' + m_digests.value(key).toHex() + "\r\n";
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    return writeFileAtomically(m_path, out, FileMode::Private, error);
}

QByteArray CertificateTrust::trusted(const QString& key) const
{
    QMutexLocker locker(&m_lock);
    loadLocked();
    return m_digests.value(key);
}

bool CertificateTrust::trust(const QString& key, const QByteArray& sha256, QString* error)
{
    if (sha256.size() != DigestBytes || key.contains(QLatin1Char(' ')) ||
        key.contains(QLatin1Char('\n'))) {
        if (error)
            *error = QStringLiteral("not a certificate digest");
        return false;
    }
    QMutexLocker locker(&m_lock);
    loadLocked();
    const QByteArray before = m_digests.value(key);
    m_digests.insert(key, sha256);
    if (saveLocked(error))
        return true;
    if (before.isEmpty())
        m_digests.remove(key);
    else
        m_digests.insert(key, before);
    return false;
}

bool CertificateTrust::forget(const QString& key, QString* error)
{
    QMutexLocker locker(&m_lock);
    loadLocked();
    const QByteArray before = m_digests.take(key);
    if (before.isEmpty() || saveLocked(error))
        return true;
    m_digests.insert(key, before);
    return false;
}

void CertificateTrust::noteRefused(const QString& key, const Refusal& refusal)
{
    QMutexLocker locker(&m_lock);
    m_refused.insert(key, refusal);
}

CertificateTrust::Refusal CertificateTrust::refused(const QString& key) const
{
    QMutexLocker locker(&m_lock);
    return m_refused.value(key);
}

} // namespace orvane
