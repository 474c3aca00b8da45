#pragma once

#include <QLockFile>
#include <QString>

#include <memory>

// A lock held for a whole piece of work that must not run twice at once: a sync of one phone
// (taken by the command line and by the window alike), or an export through the shared working
// folder. It is a QLockFile in the CORVO folder; a lock left by a process that was killed is
// taken over, a lock of a live process never is, however long its run.
class RunLock
{
public:
    // The lock of the phone with this unique id.
    static RunLock forPhone(const QString& aUniqueDeviceId);
    // The lock of export's working folder.
    static RunLock forExport();

    RunLock(RunLock&&) noexcept;
    RunLock& operator=(RunLock&&) noexcept;
    ~RunLock();

    // Takes the lock without waiting; false when another process holds it (or the lock file
    // cannot be made, which holder() then says).
    bool tryLock();
    bool isLocked() const;
    void unlock();
    // The process that holds the lock, for the message a second run gives: "process 123
    // (pellmar-sync on host)"; the reason when the lock file could not be made.
    QString holder() const;
    qint64 holderPid() const;
    const QString& fileName() const { return mFileName; }

private:
    explicit RunLock(const QString& aName);

    QString mFileName;
    std::unique_ptr<QLockFile> mLock;
};
