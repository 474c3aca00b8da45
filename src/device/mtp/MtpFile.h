#pragma once

#include <QByteArray>
#include <QFile>
#include <QIODevice>
#include <QString>

#include <memory>

class MtpPhone;

// A file on one phone storage with the operations of a local file. Reading and writing work on
// a local temporary copy: open fetches the remote file (a missing one opens empty), close sends
// the copy back when the file was opened for writing.
class MtpFile
{
public:
    // aRemotePath is relative to the storage root.
    MtpFile(MtpPhone& aDevice, const QString& aRemotePath = QString());
    ~MtpFile();

    MtpFile(const MtpFile&) = delete;
    MtpFile& operator=(const MtpFile&) = delete;

    bool exists(const QString& aPath);
    bool remove(const QString& aPath);
    // Sends aSourcePath as aTargetPath (replacing what is there), creating its folders; tries
    // aAttempts times. After a failed send the folder is asked again: an object the phone kept
    // anyway is deleted before the next attempt.
    bool copy(const QString& aSourcePath, const QString& aTargetPath, int aAttempts, int aType);
    // Sends aSourcePath under a hidden temporary name beside aTargetPath and renames it when
    // whole, so that an unplugged cable leaves the old file or none, never a part. A phone that
    // refuses the rename gets the file sent under its own name instead.
    bool replace(const QString& aSourcePath, const QString& aTargetPath, int aAttempts, int aType);
    bool mkpath(const QString& aPath);
    bool open(QIODevice::OpenMode aMode);
    bool close();
    QByteArray readAll();
    bool write(const QByteArray& aBytes);

private:
    QIODevice::OpenMode mMode = QIODevice::NotOpen;
    QString mLocalPath;
    QString mRemotePath;
    MtpPhone& mDevice;
    bool mOpen = false;
    std::unique_ptr<QFile> mLocalFile;
};
