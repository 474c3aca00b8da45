#pragma once

#include "PhoneProbe.h"
#include "device/UsbMSDevice.h"

#include <QString>

#include <optional>

// A real folder as a mass-storage phone, with a medium that fills up after a number of bytes.
class TestPhone : public PhoneProbe<UsbMSDevice>
{
public:
    explicit TestPhone(const QString& aRootPath, const QString& aName = QStringLiteral("Test Phone"));

    // Writes of track data fail once this many bytes have been written in total.
    void setWriteLimit(qint64 aBytes) { mWriteLimit = aBytes; }

protected:
    qint64 writeCopyChunk(int aTarget, const char* aData, qint64 aSize) override;

private:
    std::optional<qint64> mWriteLimit;
    qint64 mWritten = 0;
};
