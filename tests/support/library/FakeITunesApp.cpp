#include "library/FakeITunesApp.h"

#include <QFile>

using namespace itunes;

namespace {

using State = std::shared_ptr<FakeITunesState>;

// Runs the injected failure of aCall; on kReturnNull the pointer result stays null.
#define FAKE_ENTER(aCall)                                                                      \
    do {                                                                                       \
        const HResult injected = mState->enter(QStringLiteral(aCall));                        \
        if (injected == FakeITunesState::kReturnNull)                                          \
            return kOk;                                                                        \
        if (injected != kOk)                                                                   \
            return injected;                                                                   \
    } while (false)

class FakeArtwork : public IITArtwork
{
public:
    FakeArtwork(State aState, FakeITunesState::Artwork aArtwork)
        : mState(std::move(aState)), mArtwork(std::move(aArtwork)) {}
    HResult getFormat(qint32* aFormat) override
    {
        FAKE_ENTER("IITArtwork::getFormat");
        *aFormat = mArtwork.mFormat;
        return kOk;
    }
    HResult saveArtworkToFile(const QString& aPath) override
    {
        FAKE_ENTER("IITArtwork::saveArtworkToFile");
        QFile file(aPath);
        if (!file.open(QIODevice::WriteOnly))
            return kWriteFault;
        file.write(mArtwork.mData);
        return kOk;
    }

private:
    State mState;
    FakeITunesState::Artwork mArtwork;
};

class FakeArtworkCollection : public IITArtworkCollection
{
public:
    FakeArtworkCollection(State aState, QList<FakeITunesState::Artwork> aItems)
        : mState(std::move(aState)), mItems(std::move(aItems)) {}
    HResult getCount(qint32* aCount) override
    {
        FAKE_ENTER("IITArtworkCollection::getCount");
        *aCount = qint32(mItems.size());
        return kOk;
    }
    HResult getItem(qint32 aIndex, std::shared_ptr<IITArtwork>* aItem) override
    {
        FAKE_ENTER("IITArtworkCollection::getItem");
        if (aIndex < 1 || aIndex > mItems.size())
            return kInvalidArgument;
        *aItem = std::make_shared<FakeArtwork>(mState, mItems.at(aIndex - 1));
        return kOk;
    }

private:
    State mState;
    QList<FakeITunesState::Artwork> mItems;
};

class FakeTrack : public IITFileOrCDTrack, public std::enable_shared_from_this<FakeTrack>
{
public:
    FakeTrack(State aState, int aIndex) : mState(std::move(aState)), mIndex(aIndex) {}
    const FakeITunesState::Track& t() const { return mState->mTracks.at(mIndex); }

    HResult getName(QString* aOut) override { FAKE_ENTER("IITTrack::getName"); *aOut = t().mName; return kOk; }
    HResult getArtist(QString* aOut) override { FAKE_ENTER("IITTrack::getArtist"); *aOut = t().mArtist; return kOk; }
    HResult getAlbum(QString* aOut) override { FAKE_ENTER("IITTrack::getAlbum"); *aOut = t().mAlbum; return kOk; }
    HResult getSize(qint64* aOut) override { FAKE_ENTER("IITTrack::getSize"); *aOut = t().mSize; return kOk; }
    HResult getCompilation(bool* aOut) override { FAKE_ENTER("IITTrack::getCompilation"); *aOut = t().mCompilation; return kOk; }
    HResult getTrackNumber(qint32* aOut) override { FAKE_ENTER("IITTrack::getTrackNumber"); *aOut = t().mTrackNumber; return kOk; }
    HResult getArtwork(std::shared_ptr<IITArtworkCollection>* aOut) override
    {
        FAKE_ENTER("IITTrack::getArtwork");
        *aOut = std::make_shared<FakeArtworkCollection>(mState, t().mArtwork);
        return kOk;
    }
    HResult queryFileOrCDTrack(std::shared_ptr<IITFileOrCDTrack>* aOut) override
    {
        FAKE_ENTER("IITTrack::queryFileOrCDTrack");
        if (!t().mFileTrack)
            return kNoInterface;
        *aOut = shared_from_this();
        return kOk;
    }
    HResult getLocation(QString* aOut) override { FAKE_ENTER("IITFileOrCDTrack::getLocation"); *aOut = t().mLocation; return kOk; }
    HResult getDateAdded(double* aOut) override { FAKE_ENTER("IITFileOrCDTrack::getDateAdded"); *aOut = t().mDateAdded; return kOk; }
    HResult getPodcast(bool* aOut) override { FAKE_ENTER("IITFileOrCDTrack::getPodcast"); *aOut = false; return kOk; }
    HResult getProtected(bool* aOut) override { FAKE_ENTER("IITFileOrCDTrack::getProtected"); *aOut = t().mProtected; return kOk; }

private:
    State mState;
    int mIndex;
};

class FakeTrackCollection : public IITTrackCollection
{
public:
    FakeTrackCollection(State aState, QList<int> aTracks)
        : mState(std::move(aState)), mTracks(std::move(aTracks)) {}
    HResult getCount(qint32* aCount) override
    {
        FAKE_ENTER("IITTrackCollection::getCount");
        *aCount = qint32(mTracks.size());
        return kOk;
    }
    HResult getItem(qint32 aIndex, std::shared_ptr<IITTrack>* aItem) override
    {
        FAKE_ENTER("IITTrackCollection::getItem");
        if (aIndex < 1 || aIndex > mTracks.size())
            return kInvalidArgument;
        *aItem = std::make_shared<FakeTrack>(mState, mTracks.at(aIndex - 1));
        return kOk;
    }

private:
    State mState;
    QList<int> mTracks;
};

class FakePlaylist : public IITUserPlaylist, public std::enable_shared_from_this<FakePlaylist>
{
public:
    FakePlaylist(State aState, int aIndex) : mState(std::move(aState)), mIndex(aIndex) {}
    const FakeITunesState::Playlist& p() const { return mState->mPlaylists.at(mIndex); }

    HResult getName(QString* aOut) override { FAKE_ENTER("IITPlaylist::getName"); *aOut = p().mName; return kOk; }
    HResult getKind(qint32* aOut) override { FAKE_ENTER("IITPlaylist::getKind"); *aOut = p().mKind; return kOk; }
    HResult getSize(double* aOut) override
    {
        FAKE_ENTER("IITPlaylist::getSize");
        double size = 0;
        for (const int track : p().mTracks)
            size += double(mState->mTracks.at(track).mSize);
        *aOut = size;
        return kOk;
    }
    HResult getTracks(std::shared_ptr<IITTrackCollection>* aOut) override
    {
        FAKE_ENTER("IITPlaylist::getTracks");
        *aOut = std::make_shared<FakeTrackCollection>(mState, p().mTracks);
        return kOk;
    }
    HResult search(const QString& aText, qint32, std::shared_ptr<IITTrackCollection>* aOut) override
    {
        FAKE_ENTER("IITPlaylist::search");
        QList<int> found;
        for (const int track : p().mTracks) {
            const auto& t = mState->mTracks.at(track);
            if (t.mName.contains(aText, Qt::CaseInsensitive)
                || t.mArtist.contains(aText, Qt::CaseInsensitive)
                || t.mAlbum.contains(aText, Qt::CaseInsensitive))
                found.append(track);
        }
        *aOut = std::make_shared<FakeTrackCollection>(mState, found);
        return kOk;
    }
    HResult queryUserPlaylist(std::shared_ptr<IITUserPlaylist>* aOut) override
    {
        if (p().mKind != kPlaylistKindUser)
            return kNoInterface;
        *aOut = shared_from_this();
        return kOk;
    }
    HResult getSpecialKind(qint32* aOut) override
    {
        FAKE_ENTER("IITUserPlaylist::getSpecialKind");
        *aOut = p().mSpecialKind;
        return kOk;
    }

private:
    State mState;
    int mIndex;
};

class FakePlaylistCollection : public IITPlaylistCollection
{
public:
    explicit FakePlaylistCollection(State aState) : mState(std::move(aState)) {}
    HResult getCount(qint32* aCount) override
    {
        FAKE_ENTER("IITPlaylistCollection::getCount");
        *aCount = qint32(mState->mPlaylists.size());
        return kOk;
    }
    HResult getItem(qint32 aIndex, std::shared_ptr<IITPlaylist>* aItem) override
    {
        FAKE_ENTER("IITPlaylistCollection::getItem");
        if (aIndex < 1 || aIndex > mState->mPlaylists.size())
            return kInvalidArgument;
        *aItem = std::make_shared<FakePlaylist>(mState, aIndex - 1);
        return kOk;
    }

private:
    State mState;
};

class FakeSource : public IITSource
{
public:
    FakeSource(State aState, qint32 aKind) : mState(std::move(aState)), mKind(aKind) {}
    HResult getName(QString* aOut) override { *aOut = QStringLiteral("Library"); return kOk; }
    HResult getKind(qint32* aOut) override { FAKE_ENTER("IITSource::getKind"); *aOut = mKind; return kOk; }
    HResult getPlaylists(std::shared_ptr<IITPlaylistCollection>* aOut) override
    {
        FAKE_ENTER("IITSource::getPlaylists");
        *aOut = std::make_shared<FakePlaylistCollection>(mState);
        return kOk;
    }

private:
    State mState;
    qint32 mKind;
};

class FakeSourceCollection : public IITSourceCollection
{
public:
    explicit FakeSourceCollection(State aState) : mState(std::move(aState)) {}
    HResult getCount(qint32* aCount) override
    {
        FAKE_ENTER("IITSourceCollection::getCount");
        *aCount = mState->mOtherSourcesBefore + 1;
        return kOk;
    }
    HResult getItem(qint32 aIndex, std::shared_ptr<IITSource>* aItem) override
    {
        FAKE_ENTER("IITSourceCollection::getItem");
        *aItem = std::make_shared<FakeSource>(mState, aIndex > mState->mOtherSourcesBefore
                                                          ? kSourceKindLibrary
                                                          : kSourceKindUnknown);
        return kOk;
    }

private:
    State mState;
};

class FakeConnectionPoint : public IITConnectionPoint
{
public:
    explicit FakeConnectionPoint(State aState) : mState(std::move(aState)) {}
    HResult advise(IITEventSink* aSink, quint32* aCookie) override
    {
        aSink->addRef();
        *aCookie = mState->mNextCookie++;
        mState->mSinks.insert(*aCookie, aSink);
        return kOk;
    }
    HResult unadvise(quint32 aCookie) override
    {
        IITEventSink* sink = mState->mSinks.take(aCookie);
        if (!sink)
            return kInvalidArgument;
        sink->release();
        return kOk;
    }

private:
    State mState;
};

} // namespace

HResult FakeITunesState::enter(const QString& aCall)
{
    QMutexLocker lock(&mMutex);
    ++mCalls[aCall];
    auto found = mFailures.find(aCall);
    if (found == mFailures.end() || found->isEmpty())
        return kOk;
    return found->takeFirst();
}

void FakeITunesState::fail(const QString& aCall, HResult aCode, int aTimes)
{
    QMutexLocker lock(&mMutex);
    for (int i = 0; i < aTimes; ++i)
        mFailures[aCall].append(aCode);
}

int FakeITunesState::calls(const QString& aCall) const
{
    QMutexLocker lock(&mMutex);
    return mCalls.value(aCall);
}

int FakeITunesState::totalCalls() const
{
    QMutexLocker lock(&mMutex);
    int total = 0;
    for (const int count : mCalls)
        total += count;
    return total;
}

void FakeITunesState::resetCalls()
{
    QMutexLocker lock(&mMutex);
    mCalls.clear();
}

void FakeITunesState::fireEvent()
{
    const auto sinks = mSinks.values();
    for (IITEventSink* sink : sinks)
        sink->invoke(1);
}

int FakeITunesState::advisedSinks() const
{
    return int(mSinks.size());
}

LocalMusicLibrary::AppFactory FakeITunesState::factory(std::shared_ptr<FakeITunesState> aSelf)
{
    return [aSelf](std::shared_ptr<IiTunes>* aApp) -> HResult {
        const HResult injected = aSelf->enter(QStringLiteral("create"));
        if (injected == kReturnNull)
            return kOk;
        if (injected != kOk)
            return injected;
        *aApp = std::make_shared<FakeITunesApp>(aSelf);
        return kOk;
    };
}

FakeITunesApp::FakeITunesApp(std::shared_ptr<FakeITunesState> aState)
    : mState(std::move(aState))
{
}

HResult FakeITunesApp::getSources(std::shared_ptr<IITSourceCollection>* aSources)
{
    FAKE_ENTER("IiTunes::getSources");
    *aSources = std::make_shared<FakeSourceCollection>(mState);
    return kOk;
}

HResult FakeITunesApp::findConnectionPoint(std::shared_ptr<IITConnectionPoint>* aPoint)
{
    *aPoint = std::make_shared<FakeConnectionPoint>(mState);
    return kOk;
}
