#pragma once

#include <QByteArray>
#include <QSet>
#include <QString>

class PhoneFileAccess;

// A hint file in the "CORVO" folder of a folder phone ("playlisthint", "refreshhint"): one line
// per file that changed, for the phone app to pick up. Lines are only ever appended.
class PhoneHintFile
{
public:
    PhoneHintFile(const PhoneFileAccess& aFiles, const QString& aName);

    // Appends aLine, which brings its own line end; the "CORVO" folder is made when missing.
    void append(const QByteArray& aLine);
    // The lines now in the file, without their line ends.
    QSet<QString> lines() const;

private:
    const PhoneFileAccess& mFiles;
    QString mPath;
};
