#include "ui/SyncPreviewDialog.h"

#include "ui/MessageCatalogue.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QString dataSize(qint64 aBytes)
{
    // Decimal units, as the gauge and the phone state them.
    return QLocale().formattedDataSize(qMax<qint64>(0, aBytes), 1, QLocale::DataSizeSIFormat);
}

QString trackText(const Track& aTrack)
{
    if (aTrack.artistName().isEmpty())
        return aTrack.trackName();
    return SyncPreviewDialog::tr("%1 by %2").arg(aTrack.trackName(), aTrack.artistName());
}

} // namespace

SyncPreviewDialog::SyncPreviewDialog(const QString& aPhoneName, const SyncPlan& aPlan,
                                     const QStringList& aCopyProtected, QWidget* aParent)
    : QDialog(aParent)
{
    setObjectName(QStringLiteral("syncPreviewDialog"));
    setWindowTitle(tr("Preview"));
    setMinimumSize(520, 420);
    auto* layout = new QVBoxLayout(this);
    mSummary = new QLabel(this);
    mSummary->setObjectName(QStringLiteral("previewSummary"));
    mSummary->setWordWrap(true);
    layout->addWidget(mSummary);
    mTree = new QTreeWidget(this);
    mTree->setObjectName(QStringLiteral("previewTree"));
    mTree->setColumnCount(2);
    mTree->setHeaderLabels({tr("What"), tr("Size")});
    mTree->header()->setStretchLastSection(false);
    mTree->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    mTree->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    layout->addWidget(mTree);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    QStringList text{tr("What a synchronization of \"%1\" would do. Nothing has been changed "
                        "yet.")
                         .arg(aPhoneName)};
    if (aPlan.mOutcome == SyncState::NoSettings || aPlan.mOutcome == SyncState::NotConfigured) {
        text.append(tr("Your phone is not set up yet: use Settings to choose what goes onto it."));
        mTree->hide();
        mSummary->setText(text.join(QStringLiteral("\n\n")));
        return;
    }
    if (aPlan.mLibraryReadFailed)
        text.append(tr("The library could not be read: a synchronization would change nothing "
                       "on your phone."));
    if (aPlan.mCacheUnusable)
        text.append(tr("The list of what is on your phone could not be read: a synchronization "
                       "would clear it and copy nothing; the one after it checks every track "
                       "again."));
    if (!aPlan.mBackupPath.isEmpty())
        text.append(tr("First the chosen data of the backup %1 would be copied to your phone.")
                        .arg(aPlan.mBackupPath));
    if (aPlan.mSpaceShort)
        text.append(tr("Not enough space: the new tracks need %1 and your phone has %2 free. "
                       "Some tracks would not be copied.")
                        .arg(dataSize(aPlan.mSpaceNeeded), dataSize(aPlan.mFreeSpace)));
    else
        text.append(tr("Enough space: the new tracks need %1 and your phone has %2 free.")
                        .arg(dataSize(aPlan.mSpaceNeeded), dataSize(aPlan.mFreeSpace)));
    mSummary->setText(text.join(QStringLiteral("\n\n")));

    const auto group = [&](const QString& aTitle, qint64 aBytes) {
        auto* item = new QTreeWidgetItem(mTree, {aTitle, aBytes > 0 ? dataSize(aBytes) : QString()});
        QFont bold = item->font(0);
        bold.setBold(true);
        item->setFont(0, bold);
        return item;
    };
    qint64 copyBytes = 0;
    for (const Track& track : aPlan.mToCopy)
        copyBytes += track.localSize();
    QTreeWidgetItem* copy =
        group(tr("Tracks to copy (%1)").arg(aPlan.mToCopy.size()), copyBytes);
    for (const Track& track : aPlan.mToCopy)
        new QTreeWidgetItem(copy, {trackText(track), dataSize(track.localSize())});
    QTreeWidgetItem* remove =
        group(tr("Tracks to delete from your phone (%1)").arg(aPlan.mToDelete.size()), 0);
    for (const Track& track : aPlan.mToDelete)
        new QTreeWidgetItem(remove, {trackText(track), QString()});
    QTreeWidgetItem* playlists = group(
        tr("Playlists to write (%1)").arg(aPlan.mPlaylistsToWrite.size()), 0);
    for (const QString& name : aPlan.mPlaylistsToWrite)
        new QTreeWidgetItem(playlists, {name, QString()});
    if (!aPlan.mPlaylistFilesToClear.isEmpty()) {
        QTreeWidgetItem* clear =
            group(tr("Playlists no longer chosen, to empty or remove (%1)")
                      .arg(aPlan.mPlaylistFilesToClear.size()),
                  0);
        for (const QString& name : aPlan.mPlaylistFilesToClear)
            new QTreeWidgetItem(clear, {name, QString()});
    }
    if (!aCopyProtected.isEmpty()) {
        QTreeWidgetItem* drm =
            group(tr("Copy-protected tracks left out (%1)").arg(aCopyProtected.size()), 0);
        for (const QString& name : aCopyProtected)
            new QTreeWidgetItem(drm, {name, QString()});
    }
    if (aPlan.mToCopy.size() + aPlan.mToDelete.size() <= 200)
        mTree->expandAll();
}

QString SyncPreviewDialog::summaryText() const
{
    return mSummary->text();
}

QStringList SyncPreviewDialog::groupTitles() const
{
    QStringList titles;
    for (int i = 0; i < mTree->topLevelItemCount(); ++i)
        titles.append(mTree->topLevelItem(i)->text(0));
    return titles;
}
