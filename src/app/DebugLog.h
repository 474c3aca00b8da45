#pragma once

#include <QMutex>
#include <QString>

#include <atomic>
#include <cstdint>
#include <string>

// The trace log. It is written only when the Desktop folder "CDZ" exists at start-up; otherwise
// every logging call returns at once. One process-wide instance serves every thread; whole lines
// are written under a mutex so that lines of different threads never interleave.
class DebugLog
{
public:
    // The process-wide log. It is created during static initialisation (before main) and
    // closed and packed into "compressed_log.zip" after main returns.
    static DebugLog& instance();

    // Opens "log.txt" in aFolder when that folder exists; otherwise the log stays closed.
    explicit DebugLog(const QString& aFolder);
    ~DebugLog();

    DebugLog(const DebugLog&) = delete;
    DebugLog& operator=(const DebugLog&) = delete;

    bool isOpen() const { return mFd >= 0; }
    QString folder() const { return mFolder; }

    // Writes one line: time stamp, prefix, body, CR LF.
    void writeLine(const char* aPrefix, const QByteArray& aBody);
    // The same, for the crash reporter, which must never wait for ever: waits for the lock at
    // most aMsecs, and not at all when this thread holds it already (a fault interrupted its
    // line). Returns false when the line was not written.
    bool tryWriteLine(const char* aPrefix, const QByteArray& aBody, int aMsecs);
    // Writes aText as one line without taking the lock and without allocating: the report
    // of last resort when the lock cannot be had.
    void writeFixedLine(const char* aText);
    // Releases the lock when this thread holds it: work that faulted while writing a line
    // never reached the unlock, and every other line would wait for it for ever.
    void releaseIfHeldByThisThread();

    // Holds the log's lock for a scope: lines of other threads wait until it ends.
    class Hold
    {
    public:
        explicit Hold(DebugLog& aLog);
        ~Hold();
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        DebugLog& mLog;
    };

    // Closes the file and, when a log was written, packs it with the archiver.
    void close();

    // Desktop folder "CDZ" of the current user.
    static QString defaultFolder();

private:
    // Writes a whole line with the lock held.
    void writeLocked(const char* aPrefix, const QByteArray& aBody);

    QString mFolder;
    // Written with plain write(2): no stream lock that a fault could leave taken.
    int mFd = -1;
    QMutex mMutex;
    // The thread that holds mMutex, if any.
    std::atomic<Qt::HANDLE> mHolder{nullptr};
};

void logEnter(const char* aName);
void logExit(const char* aName);
void logReturn(qint64 aValue);
void logValue(const char* aName, qint64 aValue);
void logValue(const char* aName, int aValue);
void logValue(const char* aName, const char* aValue);
void logValue(const char* aName, const std::string& aValue);
void logValue(const char* aName, const QString& aValue);
void logValue(const char* aName, const std::wstring& aValue);
void logMessage(const char* aText);
void logMessage(const QString& aText);
void copyToLogFolder(const QString& aSourcePath, const QString& aFileName);
// While set, copyToLogFolder copies nothing from below aFolder: it holds the decrypted data of
// an encrypted backup, which must not leave it. An empty folder lifts the ban.
void refuseLogCopiesFrom(const QString& aFolder);

// Writes ">> aName" now and "<< aName" when the scope ends, on every return path.
class LogScope
{
public:
    explicit LogScope(const char* aName) : mName(aName) { logEnter(aName); }
    ~LogScope() { logExit(mName); }
    LogScope(const LogScope&) = delete;
    LogScope& operator=(const LogScope&) = delete;

private:
    const char* mName;
};
