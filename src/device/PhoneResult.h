#pragma once

#include <QString>

// What one phone operation came to: 0, or a code that names the kind of failure and a reason
// in words a user understands ("the phone is full"). Codes are unique across both phone kinds,
// so a code in the log tells where a failure came from.
class PhoneResult
{
public:
    enum Code : int {
        kOk = 0,
        kCopyFailed = -6005,
        kDeleteFailed = -6006,
        kFolderNotCreated = -6008,
        // MTP phones.
        kNotFound = 11003,
        kSendFailed = 11005,
        kNoConnection = 11006,
    };

    PhoneResult() = default;
    static PhoneResult ok() { return PhoneResult(); }
    // A failure with an errno value (0: no reason known) as its reason.
    static PhoneResult failed(int aCode, int aErrno = 0);
    // A failure with a reason in words.
    static PhoneResult failed(int aCode, const QString& aReason);

    bool isOk() const { return mCode == kOk; }
    int code() const { return mCode; }
    // Empty when no reason is known.
    QString reason() const { return mReason; }
    // The errno value the failure came from, 0 when none.
    int error() const { return mErrno; }

    // An errno value in words a user understands; the system's text for uncommon ones.
    static QString reasonOf(int aErrno);

    bool operator==(const PhoneResult& aOther) const = default;

private:
    int mCode = kOk;
    int mErrno = 0;
    QString mReason;
};
