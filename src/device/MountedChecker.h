#pragma once

#include <QObject>
#include <QString>

// Answers, in its own thread, whether a phone root can be reached: the free-space query of a
// phone that is still mounting can block.
class MountedChecker : public QObject
{
    Q_OBJECT

public:
    static constexpr int kMounted = 1;
    static constexpr int kNotMounted = 2;

    using QObject::QObject;

    // The free-space query (statvfs) succeeds on aRootPath.
    static bool QueryMounted(const QString& aRootPath);

signals:
    void mountedStatusUpdate(int aMountedState, QString aRootPath);

public slots:
    void startMountedCheck(QString aRootPath);
};
