#include "app/AppStartup.h"
#include "sync/BackupTransferStage.h"
#include "ui/SyncUi.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char** argv)
{
    AppStartup::begin(argc);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("pellmar"));
    // What a window without a title of its own shows: the product's name as it is written.
    QApplication::setApplicationDisplayName(QStringLiteral("Pellmar"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/images/pellmar.svg")));
    AppStartup::loadTranslations(app);
    BackupTransferStage::removeLeftovers();
    int code = 0;
    {
        SyncUi window;
        window.show();
        // For scripted starts (packaging checks, benchmarks): quit after this many ms.
        bool ok = false;
        const int quitAfter = qEnvironmentVariableIntValue("PELLMAR_QUIT_AFTER_MS", &ok);
        if (ok && quitAfter > 0)
            QTimer::singleShot(quitAfter, &app, &QApplication::quit);
        code = app.exec();
    }
    return AppStartup::finish(code);
}
