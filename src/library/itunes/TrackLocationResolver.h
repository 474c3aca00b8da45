#pragma once

#include "library/itunes/FolderListingCache.h"

#include <QElapsedTimer>
#include <QHash>
#include <QString>

#include <memory>

// Turns the "Location" URLs of a library file into local paths. Libraries come from Windows
// ("file://localhost/C:/Users/..."), from macOS (names in decomposed Unicode) or from iTunes
// under Wine, and are often copied with their media to another place. In order:
// 1. the decoded path itself;
// 2. a Windows drive path inside the Wine prefix ($WINEPREFIX or ~/.wine);
// 3. a path under the library's "Music Folder", rebased onto the folder beside the library file
//    that has the Music Folder's last name.
// Each candidate is tried as written, in composed and decomposed Unicode, and finally component
// by component without regard to case or Unicode form (Windows and macOS ignore both).
// Whether a file is there is answered from the listing of its folder, shared by every resolver
// through FolderListingCache; a resolver checks a folder's listing again after a second, and
// whenever a name is not in it.
// Not thread-safe: one resolver per application object.
class TrackLocationResolver
{
public:
    TrackLocationResolver(const QString& aLibraryPath, const QString& aMusicFolderUrl);

    // The local file for aUrl: the first candidate that exists, else the first candidate.
    // Empty when aUrl is not a file URL.
    QString resolve(const QString& aUrl);

    // The decoded path of a file URL: "/x/y" for local paths, "C:/x/y" for Windows drive
    // paths, "//host/share/x" for other hosts. Empty when aUrl is not a file URL.
    static QString decodeFileUrl(const QString& aUrl);
    static bool isDrivePath(const QString& aPath);
    static QString winePrefix();

private:
    QStringList candidateFolders(const QString& aUrlFolder) const;
    // aName in aFolder as written, in either Unicode form, or without regard to case.
    QString findInFolder(const QString& aFolder, const QString& aName);
    static QString findInListing(const FolderListing& aListing, const QString& aBase,
                                 const QString& aName);
    static QString findOnDisk(const QString& aBase, const QString& aName);
    // The folder on disk that aFolder names without regard to case or Unicode form; empty when
    // there is none. Remembered, since the tracks of an album share their folder.
    QString resolveFolder(const QString& aFolder);
    // The listing of aFolder, null when it is not a readable folder. aRecheck asks the cache
    // even when this resolver has looked lately; *aChecked tells whether it was asked.
    std::shared_ptr<const FolderListing> listing(const QString& aFolder, bool aRecheck = false,
                                                 bool* aChecked = nullptr);

    QString mLibraryFolder;
    QString mMusicFolder;
    QString mMusicFolderName;
    QString mWinePrefix;
    struct KnownListing
    {
        std::shared_ptr<const FolderListing> mListing;
        qint64 mCheckedAt = 0;
    };
    // A listing this resolver has checked within the last second is taken as it is.
    static constexpr qint64 kTrustMilliseconds = 1000;
    QElapsedTimer mClock;
    QHash<QString, KnownListing> mListings;
    QHash<QString, QString> mFolders;
    struct FolderAnswer
    {
        // The folder on disk that holds the URL folder's files; empty when none was found.
        QString mFound;
        // The first candidate folder, for files that exist nowhere.
        QString mFirstCandidate;
    };
    // By the decoded folder of a location URL.
    QHash<QString, FolderAnswer> mAnswers;
};
