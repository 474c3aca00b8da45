#pragma once

#include "library/folder/FolderTrackRecord.h"

#include <QString>

// Reads one audio file's tags and duration with TagLib into a scan record.
class AudioTagReader
{
public:
    // Fills aRecord's tags from the file at aPath (its path, size and time are the caller's) and
    // sets or clears its Unreadable and BadEncoding flags. Returns why the file could not be
    // read or why some of its text was lost; empty when all went well.
    static QString read(const QString& aPath, FolderTrackRecord& aRecord);

    // The file extensions (lower case, without the dot) read as audio.
    static bool isAudioExtension(QLatin1StringView aSuffix);
    static bool isAudioExtension(const QString& aSuffix);
};
