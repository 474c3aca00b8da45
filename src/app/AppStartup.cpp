#include "app/AppStartup.h"

#include "app/AppPaths.h"
#include "app/CrashGuard.h"
#include "app/DebugLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QLocale>
#include <QTranslator>

void AppStartup::begin(int aArgc)
{
    // A fault anywhere from here on leaves its report in the trace log.
    CrashGuard::installFaultHandlers();
    logMessage("CORVO LOG");
    logEnter("mainInt");
    logValue("argc", aArgc);
    AppPaths::setApplicationDataPath(QDir::homePath());
    logValue("Application data path", AppPaths::applicationDataPath());
}

void AppStartup::loadTranslations(QCoreApplication& aApp)
{
    const QString locale = QLocale::system().name();
    logValue("locale", locale);
    const QString appFilePath = QCoreApplication::applicationFilePath();
    logValue("mainAppFilePath", appFilePath);
    const QString appDir = QCoreApplication::applicationDirPath();

    // The program's translator is installed even when nothing was loaded.
    auto* translator = new QTranslator(&aApp);
    const QString translationPath = appDir + QStringLiteral("/translation_") + locale;
    logValue("translationLoadPath", translationPath);
    if (translator->load(translationPath))
        logMessage("Translation loaded");
    else
        logMessage("Translation NOT loaded");
    QCoreApplication::installTranslator(translator);

    // Qt's own texts: "qt_" names the catalogue of all Qt modules, which needs every module's
    // file beside it; the program ships only the one of the modules it uses, "qtbase_".
    auto* qtTranslator = new QTranslator(&aApp);
    const QString qtPath = appDir + QStringLiteral("/qt_") + locale;
    logValue("Loading qt translations from", qtPath);
    if (qtTranslator->load(qtPath)
        || qtTranslator->load(appDir + QStringLiteral("/qtbase_") + locale))
        QCoreApplication::installTranslator(qtTranslator);
    else
        logMessage("qt translations not loaded");
}

int AppStartup::finish(int aExitCode)
{
    logExit("mainInt");
    logReturn(aExitCode);
    return aExitCode;
}
