#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QList>

// A read-only device that serves a sequence of pieces: literal bytes and byte ranges of an open
// file (read with pread, so several devices can share one descriptor from different threads).
// Lets an XML reader see one part of a file as a document of its own.
class ByteRangeDevice : public QIODevice
{
public:
    explicit ByteRangeDevice(int aFileDescriptor);

    void appendBytes(const QByteArray& aBytes);
    void appendFileRange(qint64 aFrom, qint64 aTo);

    bool open(OpenMode aMode) override;
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override;

    // UTF-16 code units in the UTF-8 file bytes served so far (what QXmlStreamReader counts as
    // characters): where a reader stands in the original file.
    qint64 fileUnitsServed() const { return mFileUnits; }

protected:
    qint64 readData(char* aData, qint64 aMaxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    struct Piece
    {
        QByteArray mBytes;
        qint64 mFrom = 0;
        qint64 mTo = 0;
        bool mFromFile = false;
    };

    int mFd;
    QList<Piece> mPieces;
    qsizetype mPiece = 0;
    qint64 mOffset = 0;
    qint64 mFileUnits = 0;
};
