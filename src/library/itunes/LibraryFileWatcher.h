#pragma once

#include "library/itunes/ITunesAutomation.h"

#include <QFileSystemWatcher>
#include <QMap>
#include <QObject>

// The library's events: every change of the library file is one event for each advised sink.
// iTunes saves by writing a new file and renaming it over the old one, which ends a watch on the
// file; the folder is watched as well so that the watch is set again on the new file.
// Lives in the thread that created it; events are delivered there.
class LibraryFileWatcher : public QObject, public itunes::IITConnectionPoint
{
    Q_OBJECT

public:
    explicit LibraryFileWatcher(const QString& aLibraryPath);
    ~LibraryFileWatcher() override;

    itunes::HResult advise(itunes::IITEventSink* aSink, quint32* aCookie) override;
    itunes::HResult unadvise(quint32 aCookie) override;

    const QString& libraryPath() const { return mPath; }

private:
    void onFileChanged(const QString& aPath);
    void onDirectoryChanged(const QString& aPath);
    void rearm();
    void notify();
    QString currentStamp() const;

    QString mPath;
    QFileSystemWatcher mWatcher;
    QMap<quint32, itunes::IITEventSink*> mSinks;
    quint32 mNextCookie = 1;
    QString mLastStamp;
};
