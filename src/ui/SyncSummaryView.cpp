#include "ui/SyncSummaryView.h"

#include "sync/SyncResult.h"
#include "tracks/SyncState.h"

#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

namespace {

// The reasons the run gives, in its own words (the command line prints them as they are), for
// the translation to find. A reason not listed here is shown as the run gives it.
[[maybe_unused]] const char* const kKnownReasons[] = {
    QT_TRANSLATE_NOOP("SyncSummaryView", "the phone is read-only"),
    QT_TRANSLATE_NOOP("SyncSummaryView", "the phone is full"),
    QT_TRANSLATE_NOOP("SyncSummaryView", "the name is too long for the phone"),
    QT_TRANSLATE_NOOP("SyncSummaryView", "the phone was disconnected"),
    QT_TRANSLATE_NOOP("SyncSummaryView", "a link or a file stands in the way on the phone"),
    QT_TRANSLATE_NOOP("SyncSummaryView", "the file is missing on this computer"),
    QT_TRANSLATE_NOOP("SyncSummaryView", "a folder on the phone could not be created"),
};

QString reasonText(const QString& aReason, const char* aUnknown)
{
    if (aReason.isEmpty())
        return SyncSummaryView::tr(aUnknown);
    return SyncSummaryView::tr(aReason.toUtf8().constData());
}

QString trackText(const Track& aTrack)
{
    if (aTrack.artistName().isEmpty())
        return aTrack.trackName();
    return SyncSummaryView::tr("%1 by %2").arg(aTrack.trackName(), aTrack.artistName());
}

} // namespace

SyncSummaryView::SyncSummaryView(QWidget* aParent) : QWidget(aParent)
{
    setObjectName(QStringLiteral("syncSummary"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    mHeadline = new QLabel(this);
    mHeadline->setObjectName(QStringLiteral("summaryHeadline"));
    mHeadline->setWordWrap(true);
    mHeadline->setAlignment(Qt::AlignHCenter);
    layout->addWidget(mHeadline);
    mList = new QListWidget(this);
    mList->setObjectName(QStringLiteral("summaryList"));
    mList->setWordWrap(true);
    mList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    layout->addWidget(mList);
    hide();
}

void SyncSummaryView::clear()
{
    mHeadline->clear();
    mList->clear();
    hide();
}

void SyncSummaryView::showRun(const SyncResult& aResult, int aState)
{
    clear();
    const QList<Track>& notCopied = aResult.mNotCopied;
    const TrackList& drm = aResult.mDrmTracks;
    const qsizetype left = notCopied.size() + drm.count();
    const int copied = aResult.mCopied;
    QStringList parts{copied == 1 ? tr("1 track copied") : tr("%1 tracks copied").arg(copied),
                      tr("%1 deleted").arg(aResult.mDeleted)};
    if (left > 0)
        parts.append(tr("%1 not copied").arg(left));
    if (!aResult.mNotDeleted.isEmpty())
        parts.append(tr("%1 not deleted").arg(aResult.mNotDeleted.size()));
    QString headline = parts.join(QStringLiteral(", ")) + QLatin1Char('.');
    QString why;
    if (aState == SyncState::Cancelled)
        why = tr("The synchronization was stopped before it finished.");
    else if (aResult.mLibraryReadFailed)
        why = tr("The library could not be read, so nothing was changed on your phone.");
    else if (aResult.mPhoneDisconnected)
        why = tr("Your phone was disconnected during the synchronization.");
    else if (aState == SyncState::FinishedWithErrors)
        why = tr("An error stopped the synchronization before it finished.");
    if (!why.isEmpty())
        headline = why + QLatin1Char(' ') + headline;
    mHeadline->setText(headline);

    const QStringList& reasons = aResult.mNotCopiedReasons;
    for (qsizetype i = 0; i < notCopied.size(); ++i) {
        const QString reason = reasons.value(i);
        mList->addItem(tr("Not copied: %1 (%2)")
                           .arg(trackText(notCopied.at(i)),
                                reasonText(reason, QT_TRANSLATE_NOOP("SyncSummaryView", "the copy failed"))));
    }
    for (qint32 i = 0; i < drm.count(); ++i) {
        mList->addItem(tr("Not copied: %1 (copy protected, it cannot be played on your phone)")
                           .arg(trackText(drm.at(i))));
    }
    const QList<Track>& notDeleted = aResult.mNotDeleted;
    for (qsizetype i = 0; i < notDeleted.size(); ++i) {
        const QString reason = aResult.mNotDeletedReasons.value(i);
        mList->addItem(tr("Not deleted: %1 (%2)")
                           .arg(trackText(notDeleted.at(i)),
                                reasonText(reason, QT_TRANSLATE_NOOP("SyncSummaryView", "the deletion failed"))));
    }
    for (const QString& playlist : aResult.mNotWrittenPlaylists)
        mList->addItem(tr("Playlist not written: %1").arg(playlist));
    mList->setVisible(mList->count() > 0);
    // As tall as its lines, up to six of them; more scroll.
    const int rows = qMin(mList->count(), 6);
    mList->setFixedHeight(rows * (mList->fontMetrics().height() * 2 + 4) + 2 * mList->frameWidth());
    show();
}

QString SyncSummaryView::headline() const
{
    return mHeadline->text();
}

QStringList SyncSummaryView::lines() const
{
    QStringList result;
    for (int i = 0; i < mList->count(); ++i)
        result.append(mList->item(i)->text());
    return result;
}
