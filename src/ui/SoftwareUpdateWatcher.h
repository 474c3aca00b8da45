#pragma once

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QString>

class QNetworkReply;

// Fetches the three-line update information (title, version, message) once and tells the
// window when it arrived.
class SoftwareUpdateWatcher : public QObject
{
    Q_OBJECT

public:
    explicit SoftwareUpdateWatcher(QObject* aParent = nullptr);

    // Starts the request; returns at once.
    void getUpdateInfo(const QString& aAddress);

    const QString& title() const { return mTitle; }
    const QString& version() const { return mVersion; }
    const QString& message() const { return mMessage; }
    // The path sent to the server, percent-encoded.
    const QByteArray& requestPath() const { return mRequestPath; }

    // Splits an answer at its first three line feeds (carriage returns stay), read as Latin-1.
    static void parse(const QByteArray& aBody, QString& aTitle, QString& aVersion,
                      QString& aMessage);

signals:
    void updateInfoFound();

private slots:
    void updateInfoComplete(QNetworkReply* aReply);

private:
    QString mTitle;
    QString mMessage;
    QString mVersion;
    QByteArray mRequestPath;
    QNetworkAccessManager mManager;
    QPointer<QNetworkReply> mReply;
};
