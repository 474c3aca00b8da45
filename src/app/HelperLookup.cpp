#include "app/HelperLookup.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

namespace {

bool isRunnable(const QString& aPath)
{
    const QFileInfo info(aPath);
    return info.isFile() && info.isExecutable();
}

// The executable's folder without needing an application object (the log's archiver is
// started after it is gone).
QString executableFolder()
{
    const QFileInfo self(QStringLiteral("/proc/self/exe"));
    const QString target = self.symLinkTarget();
    return target.isEmpty() ? QString() : QFileInfo(target).absolutePath();
}

} // namespace

QString HelperLookup::find(const QString& aRelativePath, const QString& aBareName)
{
    const QString exeFolder = executableFolder();
    QStringList candidates;
    if (!exeFolder.isEmpty()) {
        const QDir exeDir(exeFolder);
        if (!aRelativePath.isEmpty())
            candidates << exeDir.absoluteFilePath(aRelativePath);
        if (!aBareName.isEmpty()) {
            // Installed programs stand together: a helper beside us wins over one on PATH.
            candidates << exeDir.absoluteFilePath(aBareName)
                       << QDir::cleanPath(exeFolder + QStringLiteral("/../lib/pellmar/") + aBareName);
        }
    }
    for (const QString& candidate : candidates) {
        if (isRunnable(candidate))
            return candidate;
    }
    if (aBareName.isEmpty())
        return QString();
    QStringList searchPath;
    const QString path = qEnvironmentVariable("PATH");
    for (const QString& folder : path.split(u':', Qt::SkipEmptyParts)) {
        if (QDir::isAbsolutePath(folder))
            searchPath << folder;
    }
    return searchPath.isEmpty() ? QString() : QStandardPaths::findExecutable(aBareName, searchPath);
}
