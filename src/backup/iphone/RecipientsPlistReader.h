#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Collects the texts of the "string" elements of a message's recipients property list (older
// message databases keep the correspondents of a group message there). Text that is empty or
// starts with a line feed (indentation between elements) is ignored. Of a binary property list
// the strings of libplist's tree are taken, by the same rule.
class RecipientsPlistReader
{
public:
    // Parses aData and returns the strings in document order; a parse error keeps what was
    // collected before it, and data that is no property list gives an empty list.
    static QStringList parse(const QByteArray& aData);

    // A text that can be a correspondent.
    static bool isRecipientText(const QString& aText);

    void startElement(const QString& aLocalName);
    void characters(const QString& aText);
    const QStringList& strings() const { return mStrings; }

private:
    QStringList mStrings;
    QString mCurrentElement;
};
