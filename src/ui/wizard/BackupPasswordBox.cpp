#include "ui/wizard/BackupPasswordBox.h"

#include "app/DebugLog.h"
#include "backup/iphone/AppleExtractor.h"
#include "backup/iphone/BackupDiscovery.h"
#include "ui/BackupPasswordKeyring.h"
#include "ui/MessageCatalogue.h"
#include "ui/ModalAnswerer.h"

#include <QCheckBox>
#include <QEventLoop>
#include <QFutureWatcher>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QVBoxLayout>
#include <QtConcurrent>

BackupPasswordBox::BackupPasswordBox(QWidget* aParent) : QWidget(aParent)
{
    setObjectName(QStringLiteral("backupPasswordBox"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(40, 0, 0, 0);
    mText = new QLabel(tr("This backup is encrypted. Enter the password that protects it:"));
    mText->setWordWrap(true);
    layout->addWidget(mText);
    mPassword = new QLineEdit;
    mPassword->setObjectName(QStringLiteral("backupPassword"));
    mPassword->setEchoMode(QLineEdit::Password);
    layout->addWidget(mPassword);
    mRemember = new QCheckBox(tr("Remember the password"));
    mRemember->setObjectName(QStringLiteral("rememberBackupPassword"));
    layout->addWidget(mRemember);
    connect(mPassword, &QLineEdit::textChanged, this, [this] { mCheckedPath.clear(); });
    setVisible(false);
}

void BackupPasswordBox::setBackup(const QString& aBackupPath)
{
    if (aBackupPath == mBackupPath)
        return;
    mBackupPath = aBackupPath;
    mEncrypted = !aBackupPath.isEmpty() && BackupDiscovery::isEncrypted(aBackupPath);
    mPassword->clear();
    mCheckedPath.clear();
    setVisible(mEncrypted);
}

bool BackupPasswordBox::check()
{
    LogScope scope("BackupPasswordBox::check");
    if (!mEncrypted || mCheckedPath == mBackupPath)
        return true;
    const MessageCatalogue& c = MessageCatalogue::get();
    const auto tell = [this, &c](const QString& aText) {
        QMessageBox box(QMessageBox::Warning, c.productName, aText, QMessageBox::Ok, this);
        box.setObjectName(QStringLiteral("backupPasswordBoxMessage"));
        ModalAnswerer::exec(box);
    };
    QByteArray password = mPassword->text().toUtf8();
    if (password.isEmpty()) {
        tell(tr("The selected backup is encrypted. Enter its password to continue."));
        return false;
    }
    // Ten million rounds of the key derivation take seconds: off the window's thread, with a
    // sign that the work goes on.
    QProgressDialog progress(tr("Checking the backup password..."), QString(), 0, 0, this);
    progress.setObjectName(QStringLiteral("checkingBackupPassword"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.show();
    QFutureWatcher<int> watcher;
    QEventLoop loop;
    connect(&watcher, &QFutureWatcher<int>::finished, &loop, &QEventLoop::quit);
    const QString path = mBackupPath;
    watcher.setFuture(QtConcurrent::run(
        [path, password] { return AppleExtractor::checkBackupPassword(path, password); }));
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    progress.close();
    const int result = watcher.result();
    logValue("result", result);
    if (result == AppleExtractor::kWrongPassword) {
        password.fill('\0');
        tell(tr("The backup password is not right."));
        mPassword->selectAll();
        mPassword->setFocus();
        return false;
    }
    if (result != 0) {
        password.fill('\0');
        tell(c.backupTransferFailed);
        return false;
    }
    if (mRemember->isChecked()) {
        if (!BackupPasswordKeyring::store(mBackupPath, password))
            tell(tr("The password could not be kept in the desktop's keyring; the next "
                    "synchronization will ask for it."));
    } else {
        BackupPasswordKeyring::forget(mBackupPath);
    }
    password.fill('\0');
    mCheckedPath = mBackupPath;
    return true;
}
