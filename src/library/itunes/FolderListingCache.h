#pragma once

#include <QHash>
#include <QMutex>
#include <QSet>
#include <QString>

#include <memory>
#include <mutex>

// The names in one folder as read at one moment. Immutable once made (the folded lookup is made
// on first use, once), so that any thread may hold it.
struct FolderListing
{
    // Every entry as written on disk.
    QSet<QString> mNames;
    // Entries that are symbolic links: a name alone does not say that the target is there.
    QSet<QString> mLinks;

    // The entry whose name equals aName in composed Unicode and without regard to case; empty
    // when there is none. Of several, the one sorted last.
    QString foldedMatch(const QString& aName) const;

    // The key of the folded lookup for aName.
    static QString foldName(const QString& aName);

private:
    // Most lookups find the exact name: folding every name of every folder up front would cost
    // more than the rest of the listing.
    mutable std::once_flag mFoldedBuilt;
    mutable QHash<QString, QString> mFolded;
};

// Folder listings shared by every track location resolver of the process, so that a run asks
// the file system once per album folder rather than once per track file. A listing is reused
// only while a stat of its folder shows the same device, inode, modification and change times:
// adding, removing or renaming an entry changes the folder's modification time. A listing read
// while the folder's modification time is still recent is handed out but not kept, because a
// change within the same clock tick could leave the time as it was.
// Thread-safe; bounded in the number of folders and of names it keeps.
class FolderListingCache
{
public:
    static FolderListingCache& instance();

    // The listing of aFolder as it is now; null when aFolder is not a readable folder.
    std::shared_ptr<const FolderListing> current(const QString& aFolder);

    // Forgets every listing.
    void clear();
    // How many listings have been read from disk since start; tells whether a listing was
    // reused.
    qint64 readCount() const;
    qint32 folderCount() const;

    static constexpr qint32 kMaxFolders = 8192;
    static constexpr qint64 kMaxNames = 400000;
    // A folder changed this recently may change again within the same time stamp.
    static constexpr qint64 kSettleNanoseconds = 3'000'000'000;

private:
    struct Stamp
    {
        quint64 mDevice = 0;
        quint64 mInode = 0;
        qint64 mModified = 0;
        qint64 mChanged = 0;
        bool operator==(const Stamp&) const = default;
    };
    struct Entry
    {
        Stamp mStamp;
        std::shared_ptr<const FolderListing> mListing;
    };

    // The folder's stamp; false when it is not a folder.
    static bool stampOf(const QString& aFolder, Stamp* aStamp);
    static std::shared_ptr<FolderListing> read(const QString& aFolder);
    // Both under mMutex.
    void keep(const QString& aFolder, const Entry& aEntry);
    void forget(const QString& aFolder);

    mutable QMutex mMutex;
    QHash<QString, Entry> mEntries;
    qint64 mNames = 0;
    qint64 mReads = 0;
};
