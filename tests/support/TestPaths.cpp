#include "TestPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

namespace TestPaths {

QString buildDir()
{
    const QString fromEnv = qEnvironmentVariable("PELLMAR_BUILD_DIR");
    if (!fromEnv.isEmpty())
        return fromEnv;
    return QStringLiteral(PELLMAR_TEST_BUILD_DIR);
}

QString sourceDir()
{
    const QString fromEnv = qEnvironmentVariable("PELLMAR_SOURCE_DIR");
    if (!fromEnv.isEmpty())
        return fromEnv;
    return QStringLiteral(PELLMAR_TEST_SOURCE_DIR);
}

QString program(const QString& aName)
{
    // The programs users run are gathered in bin/; test helpers stay beside their tests.
    const QString installed = buildDir() + QStringLiteral("/bin/") + aName;
    if (QFileInfo(installed).isExecutable())
        return installed;
    QDirIterator it(buildDir(), {aName}, QDir::Files | QDir::Executable,
                    QDirIterator::Subdirectories);
    return it.hasNext() ? it.next() : QString();
}

QString dataFile(const QString& aName)
{
    return sourceDir() + QStringLiteral("/tests/data/") + aName;
}

} // namespace TestPaths
