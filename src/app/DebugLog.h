#pragma once

#include <QMutex>
#include <QString>

#include <cstdint>
#include <cstdio>
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

    bool isOpen() const { return mFile != nullptr; }
    QString folder() const { return mFolder; }

    // Writes one line: time stamp, prefix, body, CR LF.
    void writeLine(const char* aPrefix, const QByteArray& aBody);

    // Closes the file and, when a log was written, packs it with the archiver.
    void close();

    // Desktop folder "CDZ" of the current user.
    static QString defaultFolder();

private:
    QString mFolder;
    std::FILE* mFile = nullptr;
    QMutex mMutex;
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
