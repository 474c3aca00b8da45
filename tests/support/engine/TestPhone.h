#pragma once

#include "device/UsbMSDevice.h"

#include <QString>
#include <QStringList>

#include <optional>

// A real folder as a mass-storage phone, with the few things a test must control that a real
// folder cannot show: the free space the phone reports, a medium that fills up after a number of
// bytes, and a fault inside the upload of one named track.
class TestPhone : public UsbMSDevice
{
public:
    explicit TestPhone(const QString& aRootPath, const QString& aName = QStringLiteral("Test Phone"));

    // The free space reported to the sync engine (unset: the folder's real free space).
    void setFreeSpace(qint64 aBytes) { mFreeSpace = aBytes; }
    // Writes of track data fail once this many bytes have been written in total.
    void setWriteLimit(qint64 aBytes) { mWriteLimit = aBytes; }
    enum class Fault { Exception, Segfault };
    // UploadTrack of the track with this name faults: a C++ exception, or a processor fault.
    void setFaultingTrack(const QString& aTrackName, Fault aFault = Fault::Exception)
    {
        mFaultingTrack = aTrackName;
        mFault = aFault;
    }
    // DeleteTrack faults (outside the guard of one upload).
    void setFaultingDeletion(bool aFault) { mFaultingDeletion = aFault; }
    int DeleteTrack(TrackCache& aTrackCache, Track& aTrack) override;

    int GetFreeStorageSpace(quint64& aFreeSpace) override;
    int UploadTrack(Track& aTrack) override;
    void uploadAlbumArt(const Track& aTrack, const QString& aLocalImagePath) override;

    // "album/artist" of every album picture sent, in order.
    const QStringList& albumArtSent() const { return mAlbumArtSent; }

    // Names of the tracks UploadTrack was asked for, in order.
    const QStringList& uploadRequests() const { return mUploadRequests; }
    int prepareCount() const { return mPrepareCount; }
    int finalizeCount() const { return mFinalizeCount; }
    void PrepareForSync() override;
    void FinalizeSync() override;

protected:
    qint64 writeCopyChunk(int aTarget, const char* aData, qint64 aSize) override;

private:
    std::optional<qint64> mFreeSpace;
    std::optional<qint64> mWriteLimit;
    qint64 mWritten = 0;
    QString mFaultingTrack;
    Fault mFault = Fault::Exception;
    bool mFaultingDeletion = false;
    QStringList mUploadRequests;
    QStringList mAlbumArtSent;
    int mPrepareCount = 0;
    int mFinalizeCount = 0;
};
