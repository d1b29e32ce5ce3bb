#pragma once

#include "platform/UrlOpener.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace orvane::test {

/// Stands in for the desktop's browser: it loads the address it is asked to
/// open and follows the redirects, as a browser would with a provider that
/// approves at once. `page` is the text of the last page, once it came.
class BrowsingUrlOpener final : public UrlOpener
{
public:
    bool open(const QUrl& url) override
    {
        opened << url;
        if (!follow)
            return true; // a user who never comes back
        QNetworkRequest request(url);
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                             QNetworkRequest::NoLessSafeRedirectPolicy);
        QNetworkReply* reply = m_network.get(request);
        QObject::connect(reply, &QNetworkReply::finished, &m_network, [this, reply] {
            reply->deleteLater();
            page = QString::fromUtf8(reply->readAll());
            ++pages;
        });
        return true;
    }
    QList<QUrl> opened;
    bool follow = true;
    QString page;
    int pages = 0;

private:
    QNetworkAccessManager m_network;
};

} // namespace orvane::test
