#pragma once

#include <QString>

// The README.txt of the folder of files a stock phone imports: in plain words, how to import
// each kind of file that is there.
class PhoneFilesReadme
{
public:
    // Writes README.txt into aFolder for the files found there. Returns false when there is
    // nothing to describe or the file could not be written.
    static bool write(const QString& aFolder);

    // The text for the given files; aSmsFile is the messages file's name, empty when none.
    static QString text(bool aContacts, bool aCalendar, const QString& aSmsFile, bool aNotes);
};
