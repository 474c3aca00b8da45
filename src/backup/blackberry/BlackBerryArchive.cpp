#include "backup/blackberry/BlackBerryArchive.h"

#include "app/DebugLog.h"
#include "app/HelperLookup.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

#include <algorithm>

namespace {

QString archiver()
{
    return HelperLookup::find(QStringLiteral("7z/7z"), QStringLiteral("7z"));
}

// Runs the archiver with its input closed: an archive that asks for a password then fails at
// once instead of waiting for an answer nobody gives. Its listing is kept in QProcess's buffer
// until it ends.
bool runArchiver(const QString& aProgram, const QStringList& aArguments, QByteArray* aOutput,
                 const HelperWait::CancelCheck& aCancelled)
{
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    if (!aOutput)
        process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(aProgram, aArguments);
    if (!process.waitForStarted(-1))
        return false;
    if (!HelperWait::untilFinished(process, aCancelled))
        return false;
    if (aOutput)
        aOutput->append(process.readAllStandardOutput());
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool pathIsSafe(const QString& aPath)
{
    if (aPath.isEmpty() || aPath.startsWith(QLatin1Char('/')) || aPath.startsWith(QLatin1Char('\\'))
        || (aPath.size() >= 2 && aPath.at(1) == QLatin1Char(':')))
        return false;
    static const QRegularExpression separators(QStringLiteral("[/\\\\]"));
    const QStringList parts = aPath.split(separators, Qt::SkipEmptyParts);
    return !parts.contains(QStringLiteral(".."));
}

// A Unix mode text ("lrwxrwxrwx") among the attributes names the entry's kind by its first
// letter; anything but a file or a folder is refused.
bool attributesAreSafe(const QString& aAttributes)
{
    static const QRegularExpression mode(QStringLiteral("(^|\\s)([-dlcbps])[-rwxsStT]{9}(\\s|$)"));
    const QRegularExpressionMatch match = mode.match(aAttributes);
    if (!match.hasMatch())
        return true;
    const QString kind = match.captured(2);
    return kind == QLatin1String("-") || kind == QLatin1String("d");
}

// The "Path" values of the entries of a "7z l -slt" listing.
QStringList listedPaths(const QByteArray& aListing)
{
    QStringList paths;
    bool inEntries = false;
    for (const QByteArray& rawLine : aListing.split('\n')) {
        const QString line = QString::fromUtf8(rawLine).remove(QLatin1Char('\r'));
        if (line.startsWith(QLatin1String("----------")))
            inEntries = true;
        else if (inEntries && line.startsWith(QLatin1String("Path = ")))
            paths.append(line.mid(7));
    }
    return paths;
}

} // namespace

bool BlackBerryArchive::listingIsSafe(const QByteArray& aListing)
{
    const QList<QByteArray> lines = aListing.split('\n');
    bool inEntries = false;
    for (const QByteArray& rawLine : lines) {
        const QString line = QString::fromUtf8(rawLine).remove(QLatin1Char('\r'));
        if (line.startsWith(QLatin1String("----------"))) {
            inEntries = true;
            continue;
        }
        if (!inEntries)
            continue;
        const qsizetype equals = line.indexOf(QLatin1String(" = "));
        if (equals < 0)
            continue;
        const QString key = line.left(equals);
        const QString value = line.mid(equals + 3);
        if (key == QLatin1String("Path") && !pathIsSafe(value)) {
            logValue("Archive entry leaves the working folder", value);
            return false;
        }
        if (key == QLatin1String("Attributes") && !attributesAreSafe(value)) {
            logValue("Archive entry is not a plain file", value);
            return false;
        }
        if ((key == QLatin1String("Symbolic Link") || key == QLatin1String("Hard Link")
             || key == QLatin1String("Link"))
            && !value.isEmpty()) {
            logValue("Archive entry is a link", value);
            return false;
        }
    }
    return inEntries;
}

int BlackBerryArchive::removeSpecialEntries(const QString& aFolder)
{
    QStringList special;
    QDirIterator it(aFolder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info = it.nextFileInfo();
        if (info.isSymLink() || (!info.isFile() && !info.isDir()))
            special.append(info.absoluteFilePath());
    }
    for (const QString& path : std::as_const(special)) {
        logValue("Removed unpacked entry that is not a plain file", path);
        QFile::remove(path);
    }
    return int(special.size());
}

int BlackBerryArchive::removeListedEntries(const QByteArray& aListing, const QString& aFolder)
{
    int removed = 0;
    QStringList folders;
    const QDir root(aFolder);
    const QString canonicalRoot = root.canonicalPath();
    for (const QString& path : listedPaths(aListing)) {
        if (!pathIsSafe(path))
            continue;
        const QFileInfo entry(root.filePath(path));
        // Never through a link that leads out of the folder.
        const QString parent = QFileInfo(entry.absolutePath()).canonicalFilePath();
        if (canonicalRoot.isEmpty()
            || (parent != canonicalRoot && !parent.startsWith(canonicalRoot + QLatin1Char('/'))))
            continue;
        if (entry.isDir() && !entry.isSymLink())
            folders.append(entry.filePath());
        else if ((entry.exists() || entry.isSymLink()) && QFile::remove(entry.filePath()))
            ++removed;
    }
    // Deepest first, and only when nothing else is in them.
    std::sort(folders.begin(), folders.end(),
              [](const QString& a, const QString& b) { return a.size() > b.size(); });
    for (const QString& folder : std::as_const(folders))
        if (root.rmdir(folder))
            ++removed;
    return removed;
}

bool BlackBerryArchive::unpack(const QString& aArchivePath, const QString& aWorkingFolder,
                               const HelperWait::CancelCheck& aCancelled)
{
    LogScope scope("BlackBerryReader::unpack");
    const QString program = archiver();
    logValue("archiver", program);
    if (program.isEmpty())
        return false;
    QByteArray listing;
    if (!runArchiver(program, {QStringLiteral("l"), QStringLiteral("-slt"), aArchivePath},
                     &listing, aCancelled)) {
        logMessage("Backup file is not an archive the archiver can read, or cancelled");
        return false;
    }
    if (!listingIsSafe(listing)) {
        logMessage("Archive refused: an entry would not stay a plain file in the working folder");
        return false;
    }
    runArchiver(program,
                {QStringLiteral("x"), QStringLiteral("-y"), aArchivePath,
                 QStringLiteral("-o") + aWorkingFolder, QStringLiteral("-r")},
                nullptr, aCancelled);
    if (aCancelled && aCancelled()) {
        logValue("Cancelled; unpacked entries removed", removeListedEntries(listing, aWorkingFolder));
        return false;
    }
    // Checked again on disk: whatever the archiver made of the entries, nothing the reader
    // opens may lead outside the working folder.
    removeSpecialEntries(aWorkingFolder);
    return true;
}
