#include "app/AppStartup.h"
#include "sync/BackupTransferStage.h"
#include "cli/CliDispatcher.h"

#include <QCoreApplication>

int main(int argc, char** argv)
{
    AppStartup::begin(argc);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("pellmar-sync"));
    AppStartup::loadTranslations(app);
    BackupTransferStage::removeLeftovers();
    const int code = CliDispatcher::dispatch(QCoreApplication::arguments());
    return AppStartup::finish(code);
}
