#pragma once

#include <QList>
#include <QString>

class QCoreApplication;
class QTranslator;

// The start-up and exit steps shared by the window and the command line.
class AppStartup
{
public:
    // Before the application object exists: the banner, ">> mainInt", argc, and the
    // application data path (the user's home folder).
    static void begin(int aArgc);
    // After the application object exists: locale, the application's path, and the program and
    // toolkit translations (installed on aApp; the translators are parented to it).
    static void loadTranslations(QCoreApplication& aApp);
    // "<< mainInt" and the exit code; returns aExitCode.
    static int finish(int aExitCode);
};
