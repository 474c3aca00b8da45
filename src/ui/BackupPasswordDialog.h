#pragma once

#include <QDialog>

class QLineEdit;

// The question a run asks when the backup it transfers is encrypted: its password, or Cancel
// to leave the transfer for the next run.
class BackupPasswordDialog : public QDialog
{
    Q_OBJECT

public:
    BackupPasswordDialog(const QString& aBackupName, QWidget* aParent = nullptr);
    QByteArray password() const;

private:
    QLineEdit* mPassword;
};
