#include "app/DebugLog.h"

#include "app/HelperLookup.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

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
    mFile = std::fopen(path.constData(), "wb");
}

DebugLog::~DebugLog()
{
    close();
}

void DebugLog::close()
{
    {
        QMutexLocker lock(&mMutex);
        if (!mFile)
            return;
        std::fclose(mFile);
        mFile = nullptr;
    }
    const QString logPath = mFolder + QStringLiteral("/log.txt");
    if (QFileInfo::exists(logPath))
        startArchiverAndWait(mFolder + QStringLiteral("/compressed_log.zip"), logPath);
}

void DebugLog::writeLine(const char* aPrefix, const QByteArray& aBody)
{
    if (!mFile)
        return;
    QMutexLocker lock(&mMutex);
    if (!mFile)
        return;
    const QByteArray stamp =
        QTime::currentTime().toString(QStringLiteral("hh:mm:ss:zzz")).toLatin1();
    std::fwrite(stamp.constData(), 1, size_t(stamp.size()), mFile);
    std::fflush(mFile);
    std::fputs(aPrefix, mFile);
    std::fflush(mFile);
    std::fwrite(aBody.constData(), 1, size_t(aBody.size()), mFile);
    std::fputs("\r\n", mFile);
    std::fflush(mFile);
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

void copyToLogFolder(const QString& aSourcePath, const QString& aFileName)
{
    DebugLog& log = DebugLog::instance();
    if (!log.isOpen())
        return;
    // Only a plain file name: the copy must stay inside the log folder.
    const QString name = QFileInfo(aFileName).fileName();
    if (name.isEmpty() || name == QLatin1String("..") || name == QLatin1String("."))
        return;
    const QString target = log.folder() + QLatin1Char('/') + name;
    QFile::remove(target);
    QFile::copy(aSourcePath, target);
}
