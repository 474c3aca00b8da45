#include "ui/BackupPasswordDialog.h"

#include "backup/iphone/BackupDiscovery.h"
#include "ui/BackupPasswordKeyring.h"
#include "ui/MessageCatalogue.h"
#include "ui/ModalAnswerer.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

BackupPasswordDialog::BackupPasswordDialog(const QString& aBackupName, QWidget* aParent)
    : QDialog(aParent)
{
    setObjectName(QStringLiteral("backupPasswordDialog"));
    setWindowTitle(MessageCatalogue::get().productName);
    auto* layout = new QVBoxLayout(this);
    auto* text = new QLabel(
        tr("<p>The backup of %1 is encrypted. Enter its password to transfer its data to the "
           "phone.</p><p>Cancel leaves the transfer for the next synchronization.</p>")
            .arg(aBackupName.toHtmlEscaped()));
    text->setWordWrap(true);
    layout->addWidget(text);
    mPassword = new QLineEdit;
    mPassword->setObjectName(QStringLiteral("backupPasswordEdit"));
    mPassword->setEchoMode(QLineEdit::Password);
    layout->addWidget(mPassword);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    setMinimumWidth(420);
}

QByteArray BackupPasswordDialog::password() const
{
    return mPassword->text().toUtf8();
}

QByteArray BackupPasswordDialog::ask(QWidget* aParent, const QString& aBackupPath, bool& aKept)
{
    QByteArray password = BackupPasswordKeyring::read(aBackupPath);
    aKept = !password.isEmpty();
    if (aKept)
        return password;
    const QString name =
        BackupDiscovery::getDeviceNameFromInfoPlist(aBackupPath + QStringLiteral("Info.plist"));
    BackupPasswordDialog dialog(name.isEmpty() ? aBackupPath : name, aParent);
    if (ModalAnswerer::exec(dialog) == QDialog::Accepted)
        password = dialog.password();
    return password;
}
