#pragma once

#include <QFile>

// A real file that can be told to fail: writes stop after a budget of bytes (the part that fits
// is written, as on a disk that fills up), reads can fail, and the largest read request is
// recorded so that tests can see how much a reader asked for.
class FaultyFile : public QFile
{
public:
    explicit FaultyFile(const QString& aName) : QFile(aName) {}

    // Writes fail once aBytes more bytes have been written; -1 lifts the limit.
    void failWritesAfter(qint64 aBytes) { mWriteBudget = aBytes; }
    void failReads(bool aFail) { mFailReads = aFail; }
    qint64 largestRead() const { return mLargestRead; }
    int failedWrites() const { return mFailedWrites; }

protected:
    qint64 writeData(const char* aData, qint64 aLength) override;
    qint64 readData(char* aData, qint64 aMaxLength) override;

private:
    qint64 mWriteBudget = -1;
    bool mFailReads = false;
    qint64 mLargestRead = 0;
    int mFailedWrites = 0;
};
