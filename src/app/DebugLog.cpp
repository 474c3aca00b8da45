#include "app/DebugLog.h"

#include "app/HelperLookup.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QStandardPaths>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

extern char** environ;

namespace {

// Forces the log into existence during static initialisation, before main runs.
[[maybe_unused]] DebugLog& sEarlyLog = DebugLog::instance();

void startArchiverAndWait(const QString& aArchivePath, const QString& aLogPath)
{
    const QString archiver = HelperLookup::find(QStringLiteral("7z/7z"), QStringLiteral("7z"));
    if (archiver.isEmpty())
        return;
    // The application object is gone by now, so the archiver is started without QProcess.
    const std::vector<QByteArray> args = {QFile::encodeName(archiver), "a", "-y", "-tzip",
                                          QFile::encodeName(aArchivePath),
                                          QFile::encodeName(aLogPath)};
    std::vector<char*> argv;
    for (const QByteArray& a : args)
        argv.push_back(const_cast<char*>(a.constData()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // The archiver's chatter does not belong on the user's terminal.
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    posix_spawn_file_actions_destroy(&actions);
}

void writeAll(int aFd, const char* aData, size_t aSize)
{
    while (aSize > 0) {
        const ssize_t written = ::write(aFd, aData, aSize);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return;
        aData += written;
        aSize -= size_t(written);
    }
}

} // namespace

DebugLog& DebugLog::instance()
{
    static DebugLog log(defaultFolder());
    return log;
}

QString DebugLog::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation) + QLatin1Char('/')
           + QStringLiteral("CDZ");
}

DebugLog::DebugLog(const QString& aFolder) : mFolder(aFolder)
{
    if (!QFileInfo(aFolder).isDir())
        return;
    const QByteArray path = QFile::encodeName(aFolder + QStringLiteral("/log.txt"));
    mFd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
}

DebugLog::~DebugLog()
{
    close();
}

void DebugLog::close()
{
    {
        const Hold hold(*this);
        if (mFd < 0)
            return;
        ::close(mFd);
        mFd = -1;
    }
    const QString logPath = mFolder + QStringLiteral("/log.txt");
    if (QFileInfo::exists(logPath))
        startArchiverAndWait(mFolder + QStringLiteral("/compressed_log.zip"), logPath);
}

DebugLog::Hold::Hold(DebugLog& aLog) : mLog(aLog)
{
    mLog.mMutex.lock();
    mLog.mHolder.store(QThread::currentThreadId());
}

DebugLog::Hold::~Hold()
{
    mLog.mHolder.store(nullptr);
    mLog.mMutex.unlock();
}

void DebugLog::writeLocked(const char* aPrefix, const QByteArray& aBody)
{
    if (mFd < 0)
        return;
    QByteArray line = QTime::currentTime().toString(QStringLiteral("hh:mm:ss:zzz")).toLatin1();
    line.append(aPrefix).append(aBody).append("\r\n");
    writeAll(mFd, line.constData(), size_t(line.size()));
}

void DebugLog::writeLine(const char* aPrefix, const QByteArray& aBody)
{
    if (mFd < 0)
        return;
    const Hold hold(*this);
    writeLocked(aPrefix, aBody);
}

bool DebugLog::tryWriteLine(const char* aPrefix, const QByteArray& aBody, int aMsecs)
{
    if (mFd < 0)
        return false;
    if (mHolder.load() == QThread::currentThreadId() || !mMutex.tryLock(aMsecs))
        return false;
    mHolder.store(QThread::currentThreadId());
    writeLocked(aPrefix, aBody);
    mHolder.store(nullptr);
    mMutex.unlock();
    return true;
}

void DebugLog::writeFixedLine(const char* aText)
{
    const int fd = mFd;
    if (fd < 0)
        return;
    // The time stamp by hand: nothing here may allocate or lock.
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    const int parts[] = {local.tm_hour, local.tm_min, local.tm_sec};
    char stamp[13];
    for (int i = 0; i < 3; ++i) {
        stamp[i * 3] = char('0' + parts[i] / 10 % 10);
        stamp[i * 3 + 1] = char('0' + parts[i] % 10);
        stamp[i * 3 + 2] = ':';
    }
    const long msecs = now.tv_nsec / 1000000;
    stamp[9] = char('0' + msecs / 100 % 10);
    stamp[10] = char('0' + msecs / 10 % 10);
    stamp[11] = char('0' + msecs % 10);
    stamp[12] = '\0';
    writeAll(fd, stamp, 12);
    writeAll(fd, "    ", 4);
    writeAll(fd, aText, std::strlen(aText));
    writeAll(fd, "\r\n", 2);
}

void DebugLog::releaseIfHeldByThisThread()
{
    if (mHolder.load() != QThread::currentThreadId())
        return;
    mHolder.store(nullptr);
    mMutex.unlock();
}

namespace {

constexpr const char* kBlanks = "    ";

QByteArray valueLine(const char* aName, const QByteArray& aValue)
{
    return QByteArray(aName) + " = " + aValue;
}

} // namespace

void logEnter(const char* aName)
{
    if (!DebugLog::instance().isOpen())
        return;
    DebugLog::instance().writeLine(">> ", QByteArray(aName));
}

void logExit(const char* aName)
{
    if (!DebugLog::instance().isOpen())
        return;
    DebugLog::instance().writeLine("<< ", QByteArray(aName));
}

void logReturn(qint64 aValue)
{
    if (!DebugLog::instance().isOpen())
        return;
    DebugLog::instance().writeLine("Returns: ", QByteArray::number(aValue));
}

void logValue(const char* aName, qint64 aValue)
{
    if (!DebugLog::instance().isOpen())
        return;
    DebugLog::instance().writeLine(kBlanks, valueLine(aName, QByteArray::number(aValue)));
}

void logValue(const char* aName, int aValue)
{
    logValue(aName, qint64(aValue));
}

void logValue(const char* aName, const char* aValue)
{
    if (!DebugLog::instance().isOpen())
        return;
    DebugLog::instance().writeLine(kBlanks, valueLine(aName, QByteArray(aValue ? aValue : "")));
}

void logValue(const char* aName, const std::string& aValue)
{
    if (!DebugLog::instance().isOpen())
        return;
    DebugLog::instance().writeLine(kBlanks, valueLine(aName, QByteArray::fromStdString(aValue)));
}

void logValue(const char* aName, const QString& aValue)
{
    if (!DebugLog::instance().isOpen())
        return;
    DebugLog::instance().writeLine(kBlanks, valueLine(aName, aValue.toUtf8()));
}

void logValue(const char* aName, const std::wstring& aValue)
{
    logValue(aName, QString::fromStdWString(aValue));
}

void logMessage(const char* aText)
{
    if (!DebugLog::instance().isOpen())
        return;
    DebugLog::instance().writeLine(kBlanks, QByteArray(aText));
}

void logMessage(const QString& aText)
{
    if (!DebugLog::instance().isOpen())
        return;
    DebugLog::instance().writeLine(kBlanks, aText.toUtf8());
}

namespace {
QMutex gPrivateFolderMutex;
QString gPrivateFolder;
} // namespace

void refuseLogCopiesFrom(const QString& aFolder)
{
    QMutexLocker locker(&gPrivateFolderMutex);
    gPrivateFolder = aFolder.isEmpty() ? QString() : QDir::cleanPath(QDir(aFolder).absolutePath());
}

void copyToLogFolder(const QString& aSourcePath, const QString& aFileName)
{
    DebugLog& log = DebugLog::instance();
    if (!log.isOpen())
        return;
    {
        QMutexLocker locker(&gPrivateFolderMutex);
        const QString source = QDir::cleanPath(QFileInfo(aSourcePath).absoluteFilePath());
        if (!gPrivateFolder.isEmpty() && source.startsWith(gPrivateFolder + QLatin1Char('/')))
            return;
    }
    // Only a plain file name: the copy must stay inside the log folder.
    const QString name = QFileInfo(aFileName).fileName();
    if (name.isEmpty() || name == QLatin1String("..") || name == QLatin1String("."))
        return;
    const QString target = log.folder() + QLatin1Char('/') + name;
    QFile::remove(target);
    QFile::copy(aSourcePath, target);
}
