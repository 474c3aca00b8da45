#pragma once

#include <QFileSystemWatcher>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QStringList>

// Tells when a library's files or folders change. A watched file is followed through its
// folder as well: players save by renaming a new file over the old one, which ends a watch on
// the file; the watch is then set again on the new file. Lives in the thread that created it;
// changed() is emitted there.
class LibraryWatcher : public QObject
{
    Q_OBJECT

public:
    explicit LibraryWatcher(QObject* aParent = nullptr);

    // Replaces what is watched. A folder counts as changed when its entries change, a file
    // when its size or times change.
    void watch(const QStringList& aPaths);
    const QStringList& paths() const { return mPaths; }

signals:
    void changed();

private:
    void onFileChanged(const QString& aPath);
    void onDirectoryChanged(const QString& aPath);
    void rearm();
    static QString stampOf(const QString& aPath);

    QStringList mPaths;
    QFileSystemWatcher mWatcher;
    // Watched files by the folder that holds them, and their last stamps.
    QHash<QString, QStringList> mFilesByFolder;
    QHash<QString, QString> mStamps;
    QSet<QString> mFolders;
};
