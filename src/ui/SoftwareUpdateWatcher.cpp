#include "ui/SoftwareUpdateWatcher.h"

#include "app/DebugLog.h"

#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

SoftwareUpdateWatcher::SoftwareUpdateWatcher(QObject* aParent) : QObject(aParent)
{
    connect(&mManager, &QNetworkAccessManager::finished, this,
            &SoftwareUpdateWatcher::updateInfoComplete);
}

void SoftwareUpdateWatcher::getUpdateInfo(const QString& aAddress)
{
    LogScope scope("SoftwareUpdateWatcher::getUpdateInfo");
    const QUrl address(aAddress);
    mRequestPath = QUrl::toPercentEncoding(address.path(), "!$&'()*+,;=:@/");
    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setHost(address.host());
    if (address.port() != -1)
        url.setPort(address.port());
    url.setPath(QString::fromLatin1(mRequestPath), QUrl::TolerantMode);
    logValue("url", url.toString());
    QNetworkRequest request(url);
    // One plain request; a redirect is not an answer.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    mReply = mManager.get(request);
}

void SoftwareUpdateWatcher::updateInfoComplete(QNetworkReply* aReply)
{
    LogScope scope("SoftwareUpdateWatcher::updateInfoComplete");
    aReply->deleteLater();
    if (aReply != mReply || aReply->error() != QNetworkReply::NoError)
        return;
    if (aReply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() != 200)
        return;
    logMessage("We have data");
    parse(aReply->readAll(), mTitle, mVersion, mMessage);
    emit updateInfoFound();
    logMessage("Update info found - emitted signal");
}

void SoftwareUpdateWatcher::parse(const QByteArray& aBody, QString& aTitle, QString& aVersion,
                                  QString& aMessage)
{
    QByteArray lines[3];
    qsizetype start = 0;
    for (int i = 0; i < 3 && start <= aBody.size(); ++i) {
        const qsizetype end = aBody.indexOf('\n', start);
        if (end < 0) {
            lines[i] = aBody.mid(start);
            break;
        }
        lines[i] = aBody.mid(start, end - start);
        start = end + 1;
    }
    aTitle = QString::fromLatin1(lines[0]);
    aVersion = QString::fromLatin1(lines[1]);
    aMessage = QString::fromLatin1(lines[2]);
}
