#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <vector>

class QIODevice;

// A read window over a random-access file, so that parsing a cache of many thousands of records
// costs a few large reads instead of several system calls per field. Every request is checked
// against the file size before anything is allocated: a length read from a corrupt file can
// never make it reserve more than the file holds.
class TrackFileWindow
{
public:
    enum class Fetch {
        Ok,
        EndOfFile,  // the offset is the end of the file (or beyond it)
        Short,      // the file ends inside the requested range
        ReadError,  // the device failed
    };

    explicit TrackFileWindow(qint64 aChunkSize = 1 << 20);

    // Reads from aDevice (which must stay open while attached); forgets what was read before.
    void attach(QIODevice* aDevice);
    void detach();

    // Makes aCount bytes at aOffset available; aData points at them until the next call.
    Fetch fetch(qint64 aOffset, qint64 aCount, const char*& aData)
    {
        const qint64 inWindow = aOffset - mStart;
        if (inWindow >= 0 && aCount >= 0 && inWindow <= mLength && aCount <= mLength - inWindow) {
            aData = mStorage.data() + inWindow;
            return Fetch::Ok;
        }
        return fetchSlow(aOffset, aCount, aData);
    }

    // Size of the file, as of the last read (or now, when nothing is known).
    qint64 fileSize();

    // Keeps the window in step with bytes that were just written at aOffset.
    void noteWritten(qint64 aOffset, const QByteArray& aBytes);
    // Forget everything, after the file was truncated or its state is unknown.
    void invalidate();

private:
    Fetch fetchSlow(qint64 aOffset, qint64 aCount, const char*& aData);
    bool reload(qint64 aOffset, qint64 aCount);

    QIODevice* mDevice = nullptr;
    qint64 mChunkSize;
    // Kept between reloads, so that paging through a large file reuses one buffer.
    std::vector<char> mStorage;
    qint64 mLength = 0;
    qint64 mStart = 0;
    qint64 mSize = -1;
};
