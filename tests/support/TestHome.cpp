#include "TestHome.h"

#include "app/AppPaths.h"

#include <QDir>

#include <cstdlib>
#include <unistd.h>

TestHome::TestHome()
{
    QByteArray templ = QDir::tempPath().toLocal8Bit() + "/pellmar-test-XXXXXX";
    if (!mkdtemp(templ.data()))
        std::abort();
    mPath = QString::fromLocal8Bit(templ);
    setenv("HOME", templ.constData(), 1);
    for (const char* name : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME",
                             "XDG_DESKTOP_DIR", "WINEPREFIX", "PELLMAR_ITUNES_LIBRARY",
                             "PELLMAR_BACKUP_ROOTS", "PELLMAR_PHONE_FOLDERS"})
        unsetenv(name);
    AppPaths::setApplicationDataPath(mPath);
}

TestHome::~TestHome()
{
    if (qEnvironmentVariableIsEmpty("PELLMAR_KEEP_TEST_HOME"))
        QDir(mPath).removeRecursively();
}
