#include "app/HelperLookup.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

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
    if (!aRelativePath.isEmpty()) {
        const QString fromCurrent = QDir::current().absoluteFilePath(aRelativePath);
        if (isRunnable(fromCurrent))
            return fromCurrent;
        const QString exeFolder = executableFolder();
        if (!exeFolder.isEmpty()) {
            const QString fromExe = QDir(exeFolder).absoluteFilePath(aRelativePath);
            if (isRunnable(fromExe))
                return fromExe;
        }
    }
    if (aBareName.isEmpty())
        return QString();
    // Installed programs stand together: a helper beside us wins over one on PATH.
    const QString exeFolder = executableFolder();
    if (!exeFolder.isEmpty()) {
        const QString beside = QDir(exeFolder).absoluteFilePath(aBareName);
        if (isRunnable(beside))
            return beside;
    }
    return QStandardPaths::findExecutable(aBareName);
}
