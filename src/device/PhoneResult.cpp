#include "device/PhoneResult.h"

#include <cerrno>
#include <cstring>

PhoneResult PhoneResult::failed(int aCode, int aErrno)
{
    PhoneResult result;
    result.mCode = aCode;
    result.mErrno = aErrno;
    result.mReason = reasonOf(aErrno);
    return result;
}

PhoneResult PhoneResult::failed(int aCode, const QString& aReason)
{
    PhoneResult result;
    result.mCode = aCode;
    result.mReason = aReason;
    return result;
}

QString PhoneResult::reasonOf(int aErrno)
{
    switch (aErrno) {
    case 0:
        return QString();
    case EROFS:
    case EACCES:
    case EPERM:
        return QStringLiteral("the phone is read-only");
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return QStringLiteral("the phone is full");
    case ENAMETOOLONG:
        return QStringLiteral("the name is too long for the phone");
    case ENODEV:
    case ENXIO:
    case EIO:
    case ESTALE:
        return QStringLiteral("the phone was disconnected");
    case ELOOP:
    case ENOTDIR:
        return QStringLiteral("a link or a file stands in the way on the phone");
    default:
        return QString::fromLocal8Bit(std::strerror(aErrno));
    }
}
