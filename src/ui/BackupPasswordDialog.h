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

    // The password of the backup at aBackupPath: the one kept in the keyring (aKept set), else
    // what the user enters; empty when the user cancelled.
    static QByteArray ask(QWidget* aParent, const QString& aBackupPath, bool& aKept);

private:
    QLineEdit* mPassword;
};
