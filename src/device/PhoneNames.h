#pragma once

#include <QString>

class QDateTime;
class Track;

// The names the system gives things on a phone: artist and album folders, track and playlist
// file names, the phone's unique id. Each keeps a name inside what the phone's file systems
// hold (FAT, exFAT, ext4) and free of characters that would split a playlist line.
class PhoneNames
{
public:
    // What file systems of phones hold in one name (ext4 and FAT count differently; this is
    // the stricter bound for the scripts that take several bytes per character).
    static constexpr qsizetype kMaxNameBytes = 255;

    // Replaces characters that folder names on the phone should not hold by "_" and trims.
    static void MakeValidFileName(QString& aName, bool aReplaceDots = false);
    // Folder names for a track; an empty name means that level is left out.
    static void GetArtistAndAlbumFolders(const Track& aTrack, QString& aArtistFolder,
                                         QString& aAlbumFolder);
    // A new unique phone id from a local time: pattern "zsmhdMY".
    static QString GenerateUniqueDeviceId(const QDateTime& aLocalTime);
    // File name of a playlist: the name with only the characters that FAT and exFAT cannot
    // hold replaced by "_". Empty when the name cannot be a file name (empty, or only dots).
    static QString PlaylistFileName(const QString& aPlaylistName);
    // aName with every control character (a line break, a tab) replaced by aReplacement, or
    // dropped when aReplacement is null: such a character in a playlist line would split it.
    static QString WithoutControlCharacters(const QString& aName, QChar aReplacement = u'_');
    // aName cut to at most aMaxBytes bytes of UTF-8 at a character boundary; with
    // aKeepExtension the part from the last "." stays whole.
    static QString FitName(const QString& aName, qsizetype aMaxBytes = kMaxNameBytes,
                           bool aKeepExtension = true);
};
