#pragma once

#include "library/itunes/LibraryPlistContent.h"

#include <QHash>
#include <QString>

// The rules for reading an iTunes library file (an XML property list with a "Tracks" dictionary
// and a "Playlists" array), written once for any reader with QXmlStreamReader's calls. Values of
// the wrong type, unknown keys and playlist items naming missing tracks are skipped.
template <typename Stream>
class LibraryPlistParser
{
public:
    explicit LibraryPlistParser(Stream& aStream) : mXml(aStream) {}

    // Reads the whole document: false when it is not a property list or does not end well.
    bool readPlist();
    // Reads tracks of the "Tracks" dictionary to its end: the second part of a split read.
    void readTracksPart() { readTracks(); }
    LibraryPlistContent& content() { return mContent; }

private:
    void readRootDict();
    void readTracks();
    void readTrack(const QString& aKey);
    void readPlaylists();
    void readPlaylist();
    void readPlaylistItems(QList<qint64>& aTrackIds);
    bool nextKey(QString& aKey);
    QString readString();
    bool readInteger(qint64& aValue);
    // A non-negative 32-bit integer, else 0.
    qint32 readSmallInteger();
    bool readBool(bool& aValue);
    QString intern(const QString& aValue);
    QString readInternedString();

    Stream& mXml;
    QString mKey;
    QString mScratch;
    QHash<QString, QString> mInterned;
    LibraryPlistContent mContent;
};
