#include "app/HelperWait.h"

#include "app/DebugLog.h"

#include <QProcess>

bool HelperWait::untilFinished(QProcess& aProcess, const CancelCheck& aCancelled)
{
    while (aProcess.state() != QProcess::NotRunning) {
        if (aCancelled && aCancelled()) {
            logValue("Helper stopped on cancel", aProcess.program());
            aProcess.kill();
            aProcess.waitForFinished(-1);
            return false;
        }
        aProcess.waitForFinished(kSliceMs);
    }
    return true;
}
