#include "app/AppPaths.h"

#include <QDir>
#include <QMutex>

namespace {
QMutex sMutex;
QString sApplicationDataPath;
} // namespace

void AppPaths::setApplicationDataPath(const QString& aPath)
{
    QMutexLocker lock(&sMutex);
    sApplicationDataPath = aPath;
}

QString AppPaths::applicationDataPath()
{
    QMutexLocker lock(&sMutex);
    return sApplicationDataPath.isEmpty() ? QDir::homePath() : sApplicationDataPath;
}

QString AppPaths::corvoFolder()
{
    return applicationDataPath() + QStringLiteral("/CORVO");
}
