#pragma once

#include <QDialog>

class QCheckBox;

// The reminder to eject a mass-storage phone. Result: 1 when "do not display again" was ticked.
class UsbEjectWarning : public QDialog
{
    Q_OBJECT

public:
    UsbEjectWarning();

public slots:
    void userDone();

private:
    QCheckBox* mCheck;
};
