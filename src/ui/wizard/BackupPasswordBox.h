#pragma once

#include <QString>
#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;

// The part of the wizard's backup page for an encrypted backup: its password, checked before
// the user may go on, and "Remember the password" (off by default), which keeps it in the
// desktop's keyring. Without it, the run that makes the transfer asks for the password.
class BackupPasswordBox : public QWidget
{
    Q_OBJECT

public:
    explicit BackupPasswordBox(QWidget* aParent = nullptr);

    // The backup now selected (empty: none); the box shows only for an encrypted one.
    void setBackup(const QString& aBackupPath);
    bool isNeeded() const { return mEncrypted; }
    // Checks the password (showing that it works, the derivation takes seconds), tells the
    // user when it is not right, and keeps it in the keyring when asked. True when the page
    // may be left.
    bool check();

private:
    QString mBackupPath;
    bool mEncrypted = false;
    QString mCheckedPath;
    QLabel* mText;
    QLineEdit* mPassword;
    QCheckBox* mRemember;
};
