#include "tracks/FaultyFile.h"

#include <algorithm>

qint64 FaultyFile::writeData(const char* aData, qint64 aLength)
{
    if (mWriteBudget < 0)
        return QFile::writeData(aData, aLength);
    if (aLength <= mWriteBudget) {
        mWriteBudget -= aLength;
        return QFile::writeData(aData, aLength);
    }
    if (mWriteBudget > 0)
        QFile::writeData(aData, mWriteBudget);
    mWriteBudget = 0;
    ++mFailedWrites;
    setErrorString(QStringLiteral("No space left on device"));
    return -1;
}

qint64 FaultyFile::readData(char* aData, qint64 aMaxLength)
{
    mLargestRead = std::max(mLargestRead, aMaxLength);
    if (mFailReads) {
        setErrorString(QStringLiteral("Input/output error"));
        return -1;
    }
    return QFile::readData(aData, aMaxLength);
}
