#include "ui/HttpHelpRequest.h"

#include "app/DebugLog.h"
#include "ui/WebHost.h"

#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

HttpHelpRequest::HttpHelpRequest(QObject* aParent) : QObject(aParent)
{
    connect(&mManager, &QNetworkAccessManager::finished, this, &HttpHelpRequest::finished);
}

void HttpHelpRequest::requestItunesOnlyPage()
{
    request(WebHost::plainOrigin() + QStringLiteral("/blog/itunesonly2.html"));
}

void HttpHelpRequest::requestBackupAndItunesPage()
{
    request(WebHost::plainOrigin() + QStringLiteral("/blog/backupanditunes2.html"));
}

void HttpHelpRequest::request(const QString& aAddress)
{
    logValue("HttpHelpRequest", aAddress);
    mManager.get(QNetworkRequest(QUrl(aAddress)));
}

void HttpHelpRequest::finished(QNetworkReply* aReply)
{
    logMessage("HttpHelpRequest::finishedSlot");
    if (!aReply)
        return;
    ++mFinished;
    logValue("status", aReply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt());
    logValue("redirect",
             aReply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl().toString());
    if (aReply->error() == QNetworkReply::NoError)
        aReply->readAll();
    aReply->deleteLater();
}
