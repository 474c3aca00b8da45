#include "TestPhone.h"

#include <cerrno>

#include "tracks/Track.h"

#include <QDir>

#include <csignal>
#include <stdexcept>

TestPhone::TestPhone(const QString& aRootPath, const QString& aName)
    : UsbMSDevice((QDir().mkpath(aRootPath), aRootPath), aName, true)
{
}

int TestPhone::GetFreeStorageSpace(quint64& aFreeSpace)
{
    if (mFreeSpace) {
        aFreeSpace = quint64(*mFreeSpace);
        return 0;
    }
    return UsbMSDevice::GetFreeStorageSpace(aFreeSpace);
}

int TestPhone::UploadTrack(Track& aTrack)
{
    mUploadRequests << aTrack.trackName();
    if (!mFaultingTrack.isEmpty() && aTrack.trackName() == mFaultingTrack) {
        if (mFault == Fault::Segfault)
            std::raise(SIGSEGV);
        throw std::runtime_error("injected fault in the upload");
    }
    return UsbMSDevice::UploadTrack(aTrack);
}

void TestPhone::uploadAlbumArt(const Track& aTrack, const QString& aLocalImagePath)
{
    mAlbumArtSent << aTrack.albumName() + QLatin1Char('/') + aTrack.artistName();
    UsbMSDevice::uploadAlbumArt(aTrack, aLocalImagePath);
}

int TestPhone::DeleteTrack(TrackCache& aTrackCache, Track& aTrack)
{
    if (mFaultingDeletion)
        std::raise(SIGSEGV);
    return UsbMSDevice::DeleteTrack(aTrackCache, aTrack);
}

void TestPhone::PrepareForSync()
{
    ++mPrepareCount;
    UsbMSDevice::PrepareForSync();
}

void TestPhone::FinalizeSync()
{
    ++mFinalizeCount;
    UsbMSDevice::FinalizeSync();
}

qint64 TestPhone::writeCopyChunk(int aTarget, const char* aData, qint64 aSize)
{
    if (mWriteLimit && mWritten + aSize > *mWriteLimit) {
        errno = ENOSPC;
        return -1;
    }
    mWritten += aSize;
    return UsbMSDevice::writeCopyChunk(aTarget, aData, aSize);
}
