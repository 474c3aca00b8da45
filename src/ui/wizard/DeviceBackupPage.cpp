#include "ui/wizard/DeviceBackupPage.h"

#include "app/DebugLog.h"
#include "backup/BackupDiscovery.h"
#include "ui/MessageCatalogue.h"
#include "ui/ModalAnswerer.h"
#include "ui/wizard/WizardPageIds.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QVBoxLayout>

DeviceBackupPage::DeviceBackupPage(QWidget* aParent) : QWizardPage(aParent)
{
    setObjectName(QStringLiteral("backupPage"));
    setTitle(tr("Copy Data from Another Device"));
    auto* layout = new QVBoxLayout(this);
    mIntro = new QLabel(tr("<p>Pellmar can copy additional information from iTunes device "
                           "backups on your PC to your Android phone.</p><p>Any iTunes device "
                           "backups on your PC are listed below:</p>"));
    mIntro->setWordWrap(true);
    mIntro->setOpenExternalLinks(true);
    layout->addWidget(mIntro);
    mList = new QListWidget;
    mList->setObjectName(QStringLiteral("backupList"));
    mList->setMaximumHeight(75);
    auto* indentedList = new QVBoxLayout;
    indentedList->setContentsMargins(40, 0, 0, 0);
    indentedList->addWidget(mList);
    layout->addLayout(indentedList);
    auto* choose = new QLabel(tr("<p>If you wish to transfer this information to your Android "
                                 "phone then select a backup from the above list plus one or "
                                 "more of the options below:"));
    choose->setWordWrap(true);
    choose->setOpenExternalLinks(true);
    layout->addWidget(choose);
    auto* boxes = new QVBoxLayout;
    boxes->setContentsMargins(40, 0, 0, 0);
    const auto box = [&](const QString& aText, const char* aName) {
        auto* check = new QCheckBox(aText);
        check->setObjectName(QLatin1String(aName));
        boxes->addWidget(check);
        return check;
    };
    mMessages = box(tr("Copy Text Messages"), "copyMessages");
    mAddressBook = box(tr("Copy Address Book and Contacts"), "copyAddressBook");
    mCalendar = box(tr("Copy Calendar"), "copyCalendar");
    mPhotos = box(tr("Copy Photos"), "copyPhotos");
    mNotes = box(tr("Copy Notes"), "copyNotes");
    layout->addLayout(boxes);

    mBackups = BackupDiscovery::findiTunesBackups();
    for (const BackupInfo& backup : std::as_const(mBackups))
        mList->addItem(backup.mBackupName);
    connect(&mTimer, &QTimer::timeout, this, &DeviceBackupPage::checkForNewBackups);
    mTimer.start(kRefreshMs);
}

int DeviceBackupPage::nextId() const
{
    return WizardPageIds::kConclusion;
}

void DeviceBackupPage::checkForNewBackups()
{
    for (const BackupInfo& backup : BackupDiscovery::findiTunesBackups()) {
        if (backup.mBackupName.isEmpty())
            continue;
        const bool known = std::any_of(mBackups.cbegin(), mBackups.cend(), [&](const auto& k) {
            return k.mBackupPath == backup.mBackupPath;
        });
        if (known)
            continue;
        mBackups.append(backup);
        mList->addItem(backup.mBackupName);
    }
}

QString DeviceBackupPage::selectedBackupPath() const
{
    const QList<QListWidgetItem*> selected = mList->selectedItems();
    logValue("Selected item count", int(selected.size()));
    if (selected.isEmpty())
        return QString();
    const int index = mList->row(selected.constFirst());
    logValue("indexSelected", index);
    if (index < 0 || index >= mBackups.size())
        return QString();
    logValue("Selected backup path", mBackups.at(index).mBackupPath);
    return mBackups.at(index).mBackupPath;
}

bool DeviceBackupPage::copyTextMessages() const { return mMessages->isChecked(); }
bool DeviceBackupPage::copyAddressBook() const { return mAddressBook->isChecked(); }
bool DeviceBackupPage::copyCalendar() const { return mCalendar->isChecked(); }
bool DeviceBackupPage::copyPhotos() const { return mPhotos->isChecked(); }
bool DeviceBackupPage::copyNotes() const { return mNotes->isChecked(); }

QString DeviceBackupPage::validationText() const
{
    const bool selected = !mList->selectedItems().isEmpty();
    const bool anyData = copyTextMessages() || copyAddressBook() || copyCalendar()
                         || copyPhotos() || copyNotes();
    if (selected && !anyData)
        return tr("You have selected a backup but you have not selected which data to transfer. "
                  "Select one or more of the checkboxes to continue.");
    if (!selected && (copyTextMessages() || copyAddressBook() || copyPhotos()))
        return MessageCatalogue::get().createBackup;
    return QString();
}

bool DeviceBackupPage::validatePage()
{
    const QString text = validationText();
    if (text.isEmpty())
        return true;
    QMessageBox box(QMessageBox::Critical, MessageCatalogue::get().productName, text,
                    QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("backupValidationBox"));
    ModalAnswerer::exec(box);
    return false;
}
