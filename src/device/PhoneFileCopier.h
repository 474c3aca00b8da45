#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

class PhoneFileAccess;

// Puts files on a folder phone so that a failure never leaves a part under a file's name. A
// new file is written under its own name and removed when the copy fails; a file that takes
// the place of another is written under a hidden name beside it and renamed when whole, so the
// old one stays until the new one is complete. Paths are local paths inside the phone's root.
class PhoneFileCopier
{
public:
    // Prefix of the hidden name a replacing copy is written under.
    static constexpr const char* kPartialPrefix = ".pellmar-partial-";

    // Opens a path (relative to the root, never through a link) with open(2) flags and answers
    // the descriptor, or -1 with errno set.
    using OpenTarget = std::function<int(const QString& aPath, int aFlags)>;
    // Writes bytes and answers how many it wrote, or -1 with errno set when none.
    using WriteChunk = std::function<qint64(int aTarget, const char* aData, qint64 aSize)>;

    PhoneFileCopier(const PhoneFileAccess& aFiles, OpenTarget aOpen, WriteChunk aWrite);

    // Copies aSourceFilePath to aTargetPath. An existing target is replaced only with aReplace,
    // and then only once the new copy is complete. aBytesCopied, when given, receives the size
    // of the copy; aTargetExists, whether a copy without aReplace failed because aTargetPath is
    // there.
    bool copyIntoPlace(const QString& aSourceFilePath, const QString& aTargetPath,
                       bool aReplace = false, qint64* aBytesCopied = nullptr,
                       bool* aTargetExists = nullptr);
    // Replaces aTargetPath by a file holding aContent, written under the hidden name and
    // renamed when whole. A symbolic link at aTargetPath is replaced, never followed.
    bool writeIntoPlace(const QString& aTargetPath, const QByteArray& aContent);
    // The errno of the last failure that has one, 0 when none has.
    int error() const { return mError; }

    // Writes all of aSize bytes to a descriptor, going on after interruptions.
    static qint64 writeAll(int aTarget, const char* aData, qint64 aSize);
    // The hidden name beside aPath ("/" separated, relative to the root).
    static QString partialPath(const QString& aPath);

private:
    void failed(int aError) { mError = aError; }

    const PhoneFileAccess& mFiles;
    OpenTarget mOpen;
    WriteChunk mWrite;
    QByteArray mBuffer;
    int mError = 0;
};
