#pragma once

#include "backup/BackupInfo.h"

#include <QList>
#include <QTimer>
#include <QWizardPage>

class QCheckBox;
class QLabel;
class QListWidget;

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

public slots:
    void checkForNewBackups();

private:
    QLabel* mIntro;
    QListWidget* mList;
    QList<BackupInfo> mBackups;
    QCheckBox* mMessages;
    QCheckBox* mAddressBook;
    QCheckBox* mCalendar;
    QCheckBox* mPhotos;
    QCheckBox* mNotes;
    QTimer mTimer;
};
