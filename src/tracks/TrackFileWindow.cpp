#include "tracks/TrackFileWindow.h"

#include <QIODevice>

#include <algorithm>
#include <cstring>

TrackFileWindow::TrackFileWindow(qint64 aChunkSize) : mChunkSize(std::max<qint64>(aChunkSize, 16))
{
}

void TrackFileWindow::attach(QIODevice* aDevice)
{
    mDevice = aDevice;
    invalidate();
}

void TrackFileWindow::detach()
{
    mDevice = nullptr;
    invalidate();
    std::vector<char>().swap(mStorage);
}

void TrackFileWindow::invalidate()
{
    mLength = 0;
    mStart = 0;
    mSize = -1;
}

qint64 TrackFileWindow::fileSize()
{
    if (mSize < 0 && mDevice)
        mSize = mDevice->size();
    return std::max<qint64>(mSize, 0);
}

TrackFileWindow::Fetch TrackFileWindow::fetchSlow(qint64 aOffset, qint64 aCount,
                                                  const char*& aData)
{
    aData = nullptr;
    if (aOffset < 0 || aCount < 0)
        return Fetch::Short;
    const qint64 size = fileSize();
    if (aOffset >= size)
        return aCount == 0 && aOffset == size ? Fetch::Ok : Fetch::EndOfFile;
    // Checked before reading, so that a hostile length allocates nothing.
    if (aCount > size - aOffset)
        return Fetch::Short;
    if (!reload(aOffset, aCount))
        return Fetch::ReadError;
    aData = mStorage.data();
    return Fetch::Ok;
}

bool TrackFileWindow::reload(qint64 aOffset, qint64 aCount)
{
    const qint64 size = fileSize();
    invalidate();
    if (!mDevice)
        return false;
    const qint64 wanted = std::min(std::max(aCount, mChunkSize), size - aOffset);
    if (!mDevice->seek(aOffset))
        return false;
    if (qint64(mStorage.size()) < wanted)
        mStorage.resize(size_t(wanted));
    qint64 done = 0;
    while (done < wanted) {
        const qint64 got = mDevice->read(mStorage.data() + done, wanted - done);
        if (got <= 0)
            break;
        done += got;
    }
    if (done < aCount)
        return false;
    mSize = size;
    mStart = aOffset;
    mLength = done;
    return true;
}

void TrackFileWindow::noteWritten(qint64 aOffset, const QByteArray& aBytes)
{
    const qint64 end = aOffset + aBytes.size();
    if (mSize >= 0)
        mSize = std::max(mSize, end);
    const qint64 from = std::max(aOffset, mStart);
    const qint64 to = std::min(end, mStart + mLength);
    if (from < to)
        std::memcpy(mStorage.data() + (from - mStart), aBytes.constData() + (from - aOffset),
                    size_t(to - from));
}
