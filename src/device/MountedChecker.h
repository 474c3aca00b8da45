#pragma once

#include <QObject>
#include <QString>

// Answers, in its own thread, whether a phone root can be reached and, when it can, what its id
// and description files say: the free-space query of a phone that is still mounting, and any
// read from a stalled mount (a network share, a hung FUSE mount), can block for a long time.
class MountedChecker : public QObject
{
    Q_OBJECT

public:
    static constexpr int kMounted = 1;
    static constexpr int kNotMounted = 2;

    // What one check found.
    struct Inspection
    {
        int mMountedState = kNotMounted;
        // Only read when mounted: the id ("TEMP-DEVICE-ID" without an id file) and the
        // description's version and screen pixels (-1 without a description).
        QString mUniqueDeviceId;
        int mAndroidVersion = -1;
        int mScreenPixels = -1;
    };

    using QObject::QObject;

    // The free-space query (statvfs) succeeds on aRootPath.
    static bool QueryMounted(const QString& aRootPath);

    // The check itself, run in the checker's thread. Virtual so that a test can put a slow or
    // hung phone behind it.
    virtual Inspection Inspect(const QString& aRootPath);

signals:
    void mountedStatusUpdate(int aMountedState, QString aRootPath, QString aUniqueDeviceId,
                             int aAndroidVersion, int aScreenPixels);

public slots:
    void startMountedCheck(QString aRootPath);
};
