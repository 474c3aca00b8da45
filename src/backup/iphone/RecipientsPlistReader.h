#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Reads the correspondents of a message's recipients property list (older message databases
// keep those of a group message there), XML or binary, through libplist: every string of the
// tree in document order, dictionary keys left out, empty text and text that starts with a line
// feed ignored.
class RecipientsPlistReader
{
public:
    // The strings of aData in document order; data that is no property list (or a damaged one)
    // gives an empty list.
    static QStringList parse(const QByteArray& aData);

    // A text that can be a correspondent.
    static bool isRecipientText(const QString& aText);
};
