#include "ui/wizard/DeviceBackupPage.h"

#include "app/DebugLog.h"
#include "backup/iphone/BackupDiscovery.h"
#include "backup/blackberry/BlackBerryReader.h"
#include "ui/MessageCatalogue.h"
#include "ui/ModalAnswerer.h"
#include "ui/wizard/BackupPasswordBox.h"
#include "ui/wizard/WizardPageIds.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

DeviceBackupPage::DeviceBackupPage(QWidget* aParent) : QWizardPage(aParent)
{
    setObjectName(QStringLiteral("backupPage"));
    setTitle(tr("Copy Data from Another Device"));
    auto* layout = new QVBoxLayout(this);
    mIntro = new QLabel(tr("<p>Pellmar can copy additional information from iTunes device "
                           "backups on this computer to your Android phone.</p><p>Any iTunes "
                           "device backups on this computer are listed below:</p>"));
    mIntro->setWordWrap(true);
    mIntro->setOpenExternalLinks(true);
    layout->addWidget(mIntro);
    mList = new QListWidget;
    mList->setObjectName(QStringLiteral("backupList"));
    mList->setMaximumHeight(75);
    mNothingFound = new QLabel;
    mNothingFound->setObjectName(QStringLiteral("nothingFound"));
    mNothingFound->setWordWrap(true);
    mNothingFound->setTextInteractionFlags(Qt::TextSelectableByMouse);
    mChooseButton = new QPushButton(tr("Choose backup\u2026"));
    mChooseButton->setObjectName(QStringLiteral("chooseBackupButton"));
    auto* chooseMenu = new QMenu(mChooseButton);
    chooseMenu->addAction(tr("iPhone backup folder\u2026"), this,
                          &DeviceBackupPage::chooseBackupFolder);
    chooseMenu->addAction(tr("BlackBerry backup file\u2026"), this,
                          &DeviceBackupPage::chooseBlackBerryFile);
    mChooseButton->setMenu(chooseMenu);
    auto* indentedList = new QVBoxLayout;
    indentedList->setContentsMargins(40, 0, 0, 0);
    indentedList->addWidget(mNothingFound);
    indentedList->addWidget(mList);
    auto* chooseRow = new QHBoxLayout;
    chooseRow->addWidget(mChooseButton);
    chooseRow->addStretch();
    indentedList->addLayout(chooseRow);
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
    mPasswordBox = new BackupPasswordBox;
    layout->addWidget(mPasswordBox);
    connect(mList, &QListWidget::itemSelectionChanged, this,
            [this] { mPasswordBox->setBackup(selectedBackupPath()); });

    for (const BackupInfo& backup : BackupDiscovery::findiTunesBackups())
        addBackup(backup);
    showEmptyState();
    selectionChanged();
    connect(mList, &QListWidget::itemSelectionChanged, this, &DeviceBackupPage::selectionChanged);
    connect(&mTimer, &QTimer::timeout, this, &DeviceBackupPage::checkForNewBackups);
    mTimer.start(kRefreshMs);
}

void DeviceBackupPage::addBackup(const BackupInfo& aBackup)
{
    mBackups.append(aBackup);
    mList->addItem(aBackup.mBackupName);
    mList->item(mList->count() - 1)->setToolTip(QDir::toNativeSeparators(aBackup.mBackupPath));
}

void DeviceBackupPage::showEmptyState()
{
    const bool empty = mBackups.isEmpty();
    mList->setVisible(!empty);
    mNothingFound->setVisible(empty);
    if (!empty)
        return;
    QStringList roots;
    for (const QString& root : BackupDiscovery::backupRoots())
        roots.append(QDir::toNativeSeparators(root));
    mNothingFound->setText(tr("No iPhone backup was found. Pellmar looked in:\n%1\n\nChoose a "
                              "backup folder or a BlackBerry backup file if you keep one "
                              "elsewhere.")
                               .arg(roots.join(QLatin1Char('\n'))));
}

void DeviceBackupPage::selectionChanged()
{
    // The data choices mean nothing until there is a backup to take them from; stored choices
    // stay shown.
    const bool selected = !mList->selectedItems().isEmpty();
    for (QCheckBox* box : {mMessages, mAddressBook, mCalendar, mPhotos, mNotes})
        box->setEnabled(selected);
}

void DeviceBackupPage::showStoredChoice(const QString& aBackupPath, const Choice& aChoice)
{
    QString error;
    if (!aBackupPath.isEmpty() && !addChosenBackup(aBackupPath, error)) {
        // Kept as chosen although it cannot be read now (a drive not attached): listed as
        // missing, so that clicking through does not drop it.
        BackupInfo missing;
        missing.mBackupPath = aBackupPath;
        missing.mBackupName = tr("%1 (not found)").arg(QDir::toNativeSeparators(aBackupPath));
        addBackup(missing);
        showEmptyState();
        mList->setCurrentRow(mList->count() - 1);
    }
    mMessages->setChecked(aChoice.mMessages);
    mAddressBook->setChecked(aChoice.mAddressBook);
    mCalendar->setChecked(aChoice.mCalendar);
    mPhotos->setChecked(aChoice.mPhotos);
    mNotes->setChecked(aChoice.mNotes);
}

bool DeviceBackupPage::addChosenBackup(const QString& aPath, QString& aError)
{
    const QFileInfo info(aPath);
    BackupInfo backup;
    if (info.isDir()) {
        backup.mBackupPath = QDir::cleanPath(info.absoluteFilePath()) + QLatin1Char('/');
        backup.mBackupName = BackupDiscovery::getDeviceNameFromInfoPlist(
            backup.mBackupPath + QStringLiteral("Info.plist"));
        backup.mBackupFolder = QFileInfo(info.absoluteFilePath()).fileName();
        if (backup.mBackupName.isEmpty()) {
            aError = tr("The folder %1 is not an iPhone backup: it has no Info.plist that "
                        "names a device.")
                         .arg(QDir::toNativeSeparators(aPath));
            return false;
        }
    } else if (BlackBerryReader::isBlackBerryBackup(aPath) && info.isFile()) {
        backup.mBackupPath = info.absoluteFilePath();
        backup.mBackupName = info.fileName();
    } else {
        aError = tr("%1 is neither an iPhone backup folder nor a BlackBerry backup file.")
                     .arg(QDir::toNativeSeparators(aPath));
        return false;
    }
    qsizetype row = -1;
    for (qsizetype i = 0; i < mBackups.size() && row < 0; ++i) {
        if (QDir::cleanPath(mBackups.at(i).mBackupPath) == QDir::cleanPath(backup.mBackupPath))
            row = i;
    }
    if (row < 0) {
        addBackup(backup);
        row = mBackups.size() - 1;
    }
    showEmptyState();
    mList->setCurrentRow(int(row));
    return true;
}

void DeviceBackupPage::addFromDialog(QFileDialog& aDialog)
{
    if (ModalAnswerer::exec(aDialog) != QDialog::Accepted || aDialog.selectedFiles().isEmpty())
        return;
    QString error;
    if (!addChosenBackup(aDialog.selectedFiles().constFirst(), error)) {
        QMessageBox box(QMessageBox::Warning, MessageCatalogue::get().productName, error,
                        QMessageBox::Ok, this);
        box.setObjectName(QStringLiteral("notABackupBox"));
        ModalAnswerer::exec(box);
    }
}

void DeviceBackupPage::chooseBackupFolder()
{
    QFileDialog dialog(this, tr("Choose an iPhone backup folder"), QDir::homePath());
    dialog.setObjectName(QStringLiteral("backupFolderDialog"));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    addFromDialog(dialog);
}

void DeviceBackupPage::chooseBlackBerryFile()
{
    QFileDialog dialog(this, tr("Choose a BlackBerry backup file"), QDir::homePath(),
                       tr("BlackBerry backups (*.ipd *.bbb);;All files (*)"));
    dialog.setObjectName(QStringLiteral("blackBerryFileDialog"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    addFromDialog(dialog);
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
        addBackup(backup);
        showEmptyState();
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
    // An encrypted backup goes on only with its password.
    if (text.isEmpty())
        return mPasswordBox->check();
    QMessageBox box(QMessageBox::Critical, MessageCatalogue::get().productName, text,
                    QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("backupValidationBox"));
    ModalAnswerer::exec(box);
    return false;
}
