#pragma once

#include "backup/iphone/BackupInfo.h"

#include <QList>
#include <QTimer>
#include <QWizardPage>

class BackupPasswordBox;
class QCheckBox;
class QFileDialog;
class QLabel;
class QListWidget;
class QPushButton;

// Which iPhone backup, and which of its data, goes to the phone. The list grows while the page
// is open: new backups are looked for every 3 seconds.
class DeviceBackupPage : public QWizardPage
{
    Q_OBJECT

public:
    static constexpr int kRefreshMs = 3000;

    explicit DeviceBackupPage(QWidget* aParent = nullptr);
    int nextId() const override;
    bool validatePage() override;

    QString selectedBackupPath() const;
    bool copyTextMessages() const;
    bool copyAddressBook() const;
    bool copyCalendar() const;
    bool copyPhotos() const;
    bool copyNotes() const;
    // The text of the first failed check, empty when the page validates.
    QString validationText() const;

    // The five data choices in the order of the page.
    struct Choice
    {
        bool mMessages, mAddressBook, mCalendar, mPhotos, mNotes;
    };
    // Shows the phone's stored backup (listed even where it was not found by itself) and its
    // data choices.
    void showStoredChoice(const QString& aBackupPath, const Choice& aChoice);
    // Lists and selects a backup the user chose; false with aError when it is not one.
    bool addChosenBackup(const QString& aPath, QString& aError);

public slots:
    void checkForNewBackups();
    void chooseBackupFolder();
    void chooseBlackBerryFile();

private slots:
    void selectionChanged();

private:
    void addBackup(const BackupInfo& aBackup);
    // Runs a chooser and adds what was chosen, telling the user when it is not a backup.
    void addFromDialog(QFileDialog& aDialog);
    // Says where the page looked while it has found nothing.
    void showEmptyState();

    QLabel* mIntro;
    QLabel* mNothingFound;
    QPushButton* mChooseButton;
    QListWidget* mList;
    QList<BackupInfo> mBackups;
    QCheckBox* mMessages;
    QCheckBox* mAddressBook;
    QCheckBox* mCalendar;
    QCheckBox* mPhotos;
    QCheckBox* mNotes;
    // Shown for an encrypted backup.
    BackupPasswordBox* mPasswordBox;
    QTimer mTimer;
};
