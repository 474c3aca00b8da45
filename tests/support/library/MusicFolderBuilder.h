#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

// Builds a music folder of real audio files: a short tone encoded by ffmpeg once per format
// (mp3, m4a, flac, ogg, opus, wav, aiff, wma), copied under each file's name and tagged with
// TagLib, as a tagging program would leave it.
class MusicFolderBuilder
{
public:
    struct Tags
    {
        QString mTitle;
        QString mArtist;
        QString mAlbumArtist;
        QString mAlbum;
        QString mComposer;
        QString mGenre;
        int mTrack = 0;
        int mDisc = 0;
        int mYear = 0;
        bool mCompilation = false;
        // A picture to embed (mp3, m4a and flac only).
        QByteArray mJpeg;
    };

    explicit MusicFolderBuilder(const QString& aRoot);
    QString root() const { return mRoot; }

    // A tagged tone at aRelativePath (its format from the extension); its absolute path, or
    // empty when ffmpeg or TagLib failed (see error()).
    QString addTrack(const QString& aRelativePath, const Tags& aTags);
    // A tone with no tags at all.
    QString addUntagged(const QString& aRelativePath);
    // Any other file (playlists, covers, damaged audio).
    QString writeFile(const QString& aRelativePath, const QByteArray& aContent);
    // Sets a file's modification time (podcast episodes are ordered by it).
    bool setModified(const QString& aRelativePath, const QDateTime& aWhen);

    // Writes aTags into an existing file with TagLib.
    static bool writeTags(const QString& aPath, const Tags& aTags);
    // A small JPEG picture of one colour, made by ffmpeg.
    static QByteArray jpeg(const char* aColour);

    QString error() const { return mError; }

private:
    // The tone of one format, encoded once per test program.
    QString tone(const QString& aExtension);

    QString mRoot;
    QString mError;
};
