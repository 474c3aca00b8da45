#pragma once

#include <QNetworkAccessManager>
#include <QObject>

class QNetworkReply;

// Requests one of the vendor's setup pages after a first setup that ends with "Sync now". The
// answer is read and dropped.
class HttpHelpRequest : public QObject
{
    Q_OBJECT

public:
    explicit HttpHelpRequest(QObject* aParent = nullptr);

    void requestItunesOnlyPage();
    void requestBackupAndItunesPage();
    // Replies seen (tests).
    int finishedCount() const { return mFinished; }

private slots:
    void finished(QNetworkReply* aReply);

private:
    void request(const QString& aAddress);

    QNetworkAccessManager mManager;
    int mFinished = 0;
};
