#pragma once

#include "device/UsbMSDevice.h"

#include <functional>
#include <optional>

// A real mass-storage phone over a folder whose volume size and failures a test chooses.
// Copies go through the real code; only the medium's answers are replaced.
class FaultPhone : public UsbMSDevice
{
public:
    enum class Fault {
        None,
        // The medium fills up once aBytes have been written by a copy.
        Full,
        // The phone folder vanishes (cable pulled) once aBytes have been written by a copy.
        Disappears,
        // Nothing can be created on the medium.
        ReadOnly,
    };

    FaultPhone(const QString& aRootPath, const QString& aFriendlyName = QStringLiteral("Fault Phone"),
              bool aMounted = true);

    // Reported sizes instead of the real volume's.
    void setCapacity(quint64 aBytes) { mCapacity = aBytes; }
    void setFreeSpace(quint64 aBytes) { mFreeSpace = aBytes; }
    // Makes the next copies fail; aAfterBytes counts bytes written per copy.
    void setFault(Fault aFault, qint64 aAfterBytes = 0);
    // Number of copies that reached the medium (written at least one chunk or failed doing so).
    int copiesAttempted() const { return mCopiesAttempted; }

    int GetStorageCapacity(quint64& aCapacity) override;
    int GetFreeStorageSpace(quint64& aFreeSpace) override;

protected:
    int openCopyTarget(const QString& aPath, int aFlags) override;
    qint64 writeCopyChunk(int aTarget, const char* aData, qint64 aSize) override;

private:
    std::optional<quint64> mCapacity;
    std::optional<quint64> mFreeSpace;
    Fault mFault = Fault::None;
    qint64 mFaultAfterBytes = 0;
    qint64 mWrittenThisCopy = 0;
    int mCopiesAttempted = 0;
};
