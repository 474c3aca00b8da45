#pragma once

#include "backup/ExportFixtureDatabase.h"

#include <QString>
#include <QVariant>

// Builds a message database (sms.db) with the tables an iPhone keeps. The older layout (first
// phones) has the correspondent in the message row or in a recipients property list and the
// content in msg_pieces; the newer layout (later phones) joins messages to a handle table and
// attachments through message_attachment_join. An invalid QVariant is stored as NULL.
class MessagesFixture
{
public:
    enum class Layout { Older, Newer };

    struct OlderMessage
    {
        QVariant address;
        QVariant date;
        QVariant text;
        QVariant flags;
        QVariant read;
        QVariant recipients;
    };

    struct NewerMessage
    {
        qint64 handle = 0;
        QVariant date;
        QVariant text;
        QVariant isFromMe;
        QVariant isRead;
        // The archived attributed string of later phones (see attributedBody()).
        QVariant attributedBody = {};
    };

    // Creates the file at aPath (an existing one is replaced).
    MessagesFixture(const QString& aPath, Layout aLayout);

    bool isOk() const { return mOk; }
    ExportFixtureDatabase& database() { return mDb; }

    // Older layout. Returns the message's ROWID.
    qint64 addMessage(const OlderMessage& aMessage);
    void addPiece(qint64 aMessage, int aPartId, const QString& aContentType,
                  const QVariant& aData);

    // Newer layout. Returns the handle's / message's / attachment's ROWID.
    qint64 addHandle(const QString& aId);
    qint64 addMessage(const NewerMessage& aMessage);
    qint64 addAttachment(qint64 aMessage, const QVariant& aFileName, const QVariant& aMimeType);
    // A chat with its participants, in order; returns its ROWID.
    qint64 addChat(const QString& aIdentifier, const QList<qint64>& aHandles);
    void addToChat(qint64 aChat, qint64 aMessage);

    // aText as iOS 16 and later archive a message's words in attributedBody: an NSArchiver
    // typedstream of an NSAttributedString with one attribute run.
    static QByteArray attributedBody(const QString& aText);

    // An XML property list with the given strings as an array, as the recipients column holds.
    static QByteArray recipientsPlist(const QStringList& aNumbers);

private:
    ExportFixtureDatabase mDb;
    bool mOk = true;
    qint64 mGuid = 0;
};
