#include "library/folder/FolderWalker.h"

#include "app/DebugLog.h"
#include "library/folder/AudioTagReader.h"

#include <QByteArray>
#include <QFile>
#include <QSet>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Deeper than any music collection; a guard against runaway trees the loop check cannot see.
constexpr int kMaxDepth = 64;

struct NodeId
{
    dev_t mDevice;
    ino_t mInode;
    bool operator==(const NodeId& aOther) const
    {
        return mDevice == aOther.mDevice && mInode == aOther.mInode;
    }
};

size_t qHash(const NodeId& aId, size_t aSeed = 0)
{
    return qHashMulti(aSeed, quint64(aId.mDevice), quint64(aId.mInode));
}

enum class Kind { Other, Audio, Playlist };

Kind kindOf(const char* aName)
{
    const char* dot = std::strrchr(aName, '.');
    const size_t length = dot ? std::strlen(dot + 1) : 0;
    if (!dot || dot == aName || length == 0 || length > 5)
        return Kind::Other;
    char lower[6] = {};
    for (size_t i = 0; i < length; ++i)
        lower[i] = char(std::tolower(static_cast<unsigned char>(dot[1 + i])));
    const QLatin1StringView suffix(lower, qsizetype(length));
    if (suffix == QLatin1String("m3u") || suffix == QLatin1String("m3u8") || suffix == QLatin1String("pls"))
        return Kind::Playlist;
    return AudioTagReader::isAudioExtension(suffix) ? Kind::Audio : Kind::Other;
}

class Walk
{
public:
    explicit Walk(const QString& aRoot) : mRoot(aRoot) {}

    void folder(int aParentFd, const QByteArray& aName, const QString& aRelative, int aDepth)
    {
        const int fd = aParentFd < 0
                           ? ::open(aName.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)
                           : ::openat(aParentFd, aName.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) {
            problem(aRelative, QStringLiteral("folder cannot be read: ") + QString::fromLocal8Bit(std::strerror(errno)), true);
            if (aParentFd < 0)
                mListing.mRootUnreadable = true;
            return;
        }
        struct stat self {};
        if (::fstat(fd, &self) != 0 || mFolders.contains({self.st_dev, self.st_ino})) {
            ::close(fd);
            problem(aRelative, QStringLiteral("folder reached again through a link; walked once"), false);
            return;
        }
        mFolders.insert({self.st_dev, self.st_ino});
        mListing.mFolders << (aRelative.isEmpty() ? mRoot : mRoot + QLatin1Char('/') + aRelative);
        DIR* dir = ::fdopendir(fd);
        if (!dir) {
            ::close(fd);
            problem(aRelative, QStringLiteral("folder cannot be listed"), true);
            return;
        }
        struct Entry
        {
            QByteArray mName;
            unsigned char mType;
            bool operator<(const Entry& aOther) const { return mName < aOther.mName; }
        };
        QList<Entry> entries;
        while (const dirent* entry = ::readdir(dir)) {
            if (entry->d_name[0] != '.')
                entries.append({QByteArray(entry->d_name), entry->d_type});
        }
        std::sort(entries.begin(), entries.end());
        const QString prefix = aRelative.isEmpty() ? QString() : aRelative + QLatin1Char('/');
        const int dirFd = ::dirfd(dir);
        for (const Entry& entry : entries) {
            const QByteArray& name = entry.mName;
            // The folder's listing tells plain files and folders apart; only links (and file
            // systems that do not say) need a look at what they point to.
            Kind kind = Kind::Other;
            if (entry.mType == DT_REG) {
                kind = kindOf(name.constData());
                if (kind == Kind::Other)
                    continue;
            } else if (entry.mType == DT_DIR) {
                enter(dirFd, name, prefix + QFile::decodeName(name), aDepth);
                continue;
            } else if (entry.mType != DT_LNK && entry.mType != DT_UNKNOWN) {
                continue;
            }
            if (entry.mType == DT_LNK)
                mSawLink = true;
            const QString decoded = QFile::decodeName(name);
            const QString relative = prefix + decoded;
            struct stat info {};
            if (::fstatat(dirFd, name.constData(), &info, 0) != 0) {
                // A link to nowhere or a loop of links to itself.
                problem(relative, QStringLiteral("cannot be read: ") + QString::fromLocal8Bit(std::strerror(errno)), false);
                continue;
            }
            if (S_ISDIR(info.st_mode)) {
                enter(dirFd, name, relative, aDepth);
                continue;
            }
            if (!S_ISREG(info.st_mode))
                continue;
            if (kind == Kind::Other)
                kind = kindOf(name.constData());
            if (kind == Kind::Other)
                continue;
            const bool ascii = std::all_of(name.cbegin(), name.cend(), [](char aByte) { return aByte > 0; });
            if (!ascii && QFile::encodeName(decoded) != name) {
                problem(relative, QStringLiteral("file name is not valid in the system's encoding; left out"), kind == Kind::Audio);
                continue;
            }
            const FolderWalker::File file{relative, qint64(info.st_size),
                                          qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
            if (kind == Kind::Audio) {
                mListing.mAudio.append(file);
                mAudioNodes.append({info.st_dev, info.st_ino});
            } else {
                mListing.mPlaylists.append(file);
            }
        }
        ::closedir(dir);
    }

    void enter(int aDirFd, const QByteArray& aName, const QString& aRelative, int aDepth)
    {
        if (aDepth + 1 >= kMaxDepth)
            problem(aRelative, QStringLiteral("folders nested too deep; not walked"), true);
        else
            folder(aDirFd, aName, aRelative, aDepth + 1);
    }

    // A file reached through a link as well as directly is listed once, where the walk met it
    // first. Only a folder with links can have such files.
    void dropRepeatedFiles()
    {
        if (!mSawLink)
            return;
        QSet<NodeId> seen;
        QList<FolderWalker::File> kept;
        for (qsizetype i = 0; i < mListing.mAudio.size(); ++i) {
            if (seen.contains(mAudioNodes[i])) {
                logValue("File reached again through a link, listed once", mListing.mAudio[i].mRelativePath);
                continue;
            }
            seen.insert(mAudioNodes[i]);
            kept.append(mListing.mAudio[i]);
        }
        mListing.mAudio = std::move(kept);
    }

    void problem(const QString& aRelative, const QString& aText, bool aIncomplete)
    {
        const QString line = (aRelative.isEmpty() ? mRoot : aRelative) + QStringLiteral(": ") + aText;
        logValue("Music folder", line);
        mListing.mProblems << line;
        mListing.mIncomplete = mListing.mIncomplete || aIncomplete;
    }

    FolderWalker::Listing mListing;

private:
    QString mRoot;
    QSet<NodeId> mFolders;
    QList<NodeId> mAudioNodes;
    bool mSawLink = false;
};

} // namespace

FolderWalker::Listing FolderWalker::walk(const QString& aRoot)
{
    LogScope scope("FolderWalker::walk");
    Walk walk(aRoot);
    walk.folder(-1, QFile::encodeName(aRoot), QString(), 0);
    walk.dropRepeatedFiles();
    logValue("audio files", qint64(walk.mListing.mAudio.size()));
    logValue("playlist files", qint64(walk.mListing.mPlaylists.size()));
    return std::move(walk.mListing);
}
