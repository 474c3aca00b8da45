#include "library/itunes/ByteRangeDevice.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

ByteRangeDevice::ByteRangeDevice(int aFileDescriptor)
    : mFd(aFileDescriptor)
{
}

void ByteRangeDevice::appendBytes(const QByteArray& aBytes)
{
    Piece piece;
    piece.mBytes = aBytes;
    piece.mTo = aBytes.size();
    mPieces.append(piece);
}

void ByteRangeDevice::appendFileRange(qint64 aFrom, qint64 aTo)
{
    Piece piece;
    piece.mFrom = aFrom;
    piece.mTo = aTo;
    piece.mFromFile = true;
    mPieces.append(piece);
}

bool ByteRangeDevice::open(OpenMode aMode)
{
    if (aMode & WriteOnly)
        return false;
    mPiece = 0;
    mOffset = 0;
    mFileUnits = 0;
    return QIODevice::open(aMode | Unbuffered);
}

qint64 ByteRangeDevice::bytesAvailable() const
{
    qint64 total = 0;
    for (qsizetype i = mPiece; i < mPieces.size(); ++i) {
        const Piece& piece = mPieces.at(i);
        total += (piece.mTo - piece.mFrom) - (i == mPiece ? mOffset : 0);
    }
    return total + QIODevice::bytesAvailable();
}

qint64 ByteRangeDevice::readData(char* aData, qint64 aMaxSize)
{
    qint64 done = 0;
    while (done < aMaxSize && mPiece < mPieces.size()) {
        const Piece& piece = mPieces.at(mPiece);
        const qint64 left = piece.mTo - piece.mFrom - mOffset;
        if (left <= 0) {
            ++mPiece;
            mOffset = 0;
            continue;
        }
        const qint64 want = qMin(left, aMaxSize - done);
        char* target = aData + done;
        qint64 got = 0;
        if (piece.mFromFile) {
            const ssize_t n = ::pread(mFd, target, size_t(want), off_t(piece.mFrom + mOffset));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return done > 0 ? done : -1;
            // A file that shrank under us: the reader sees the document end early.
            if (n == 0) {
                mPiece = mPieces.size();
                break;
            }
            got = n;
            qint64 units = 0;
            for (qint64 i = 0; i < got; ++i) {
                const unsigned char c = static_cast<unsigned char>(target[i]);
                units += (c & 0xC0) != 0x80;
                units += c >= 0xF0;
            }
            mFileUnits += units;
        } else {
            std::memcpy(target, piece.mBytes.constData() + mOffset, size_t(want));
            got = want;
        }
        mOffset += got;
        done += got;
    }
    return done;
}
