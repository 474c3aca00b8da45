#include "library/FilesStamp.h"

#include <QFileInfo>

QString FilesStamp::of(const QStringList& aPaths)
{
    QString text;
    for (const QString& path : aPaths) {
        const QFileInfo info(path);
        text += QStringLiteral("%1:%2:%3;")
                    .arg(info.exists())
                    .arg(info.size())
                    .arg(info.lastModified().toMSecsSinceEpoch());
    }
    return text;
}
