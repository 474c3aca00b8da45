#pragma once

#include <QString>

// Text from a backup made safe for the files other programs read: characters that XML 1.0 cannot
// carry at all (control characters other than tab, line feed and carriage return, unpaired
// surrogates, U+FFFE and U+FFFF) are dropped, never passed through, so that a stray NUL or half
// an emoji in a message cannot make a whole file unreadable.
class PortableText
{
public:
    // aText without the characters XML 1.0 forbids; line breaks and tabs stay. Text without such
    // characters is returned unchanged and without a copy. One log line tells how many went.
    static QString forXml(const QString& aText);

    // aText with every control character dropped as well; line breaks become "\n" when
    // aKeepLineBreaks, else a space, and a tab a space.
    static QString withoutControls(const QString& aText, bool aKeepLineBreaks);

    // Whether the code unit at aIndex is half of a surrogate pair whose other half is missing.
    static bool isLoneSurrogate(const QString& aText, qsizetype aIndex);
};
