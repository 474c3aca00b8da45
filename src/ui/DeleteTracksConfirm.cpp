#include "ui/DeleteTracksConfirm.h"

#include "tracks/Track.h"
#include "tracks/TrackList.h"
#include "ui/MessageCatalogue.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

DeleteTracksConfirm::DeleteTracksConfirm(const TrackList& aTracks)
    : QDialog(nullptr), mTracks(aTracks)
{
    setObjectName(QStringLiteral("deleteTracksConfirm"));
    setWindowTitle(MessageCatalogue::get().productName);
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(QStringLiteral(
        "The following tracks will be removed from your device. Do you want to continue?"));
    label->setWordWrap(true);
    layout->addWidget(label);
    auto* list = new QListWidget;
    list->setObjectName(QStringLiteral("trackList"));
    for (qint32 i = 0; i < mTracks.count(); ++i)
        list->addItem(mTracks.at(i).trackName());
    layout->addWidget(list);
    mAlwaysDelete = new QCheckBox(QStringLiteral("Always delete tracks without warning"));
    mAlwaysDelete->setObjectName(QStringLiteral("alwaysDelete"));
    layout->addWidget(mAlwaysDelete);
    auto* row = new QHBoxLayout;
    row->addStretch();
    auto* no = new QPushButton(QStringLiteral("No"));
    no->setObjectName(QStringLiteral("noButton"));
    auto* yes = new QPushButton(QStringLiteral("Yes"));
    yes->setObjectName(QStringLiteral("yesButton"));
    row->addWidget(no);
    row->addWidget(yes);
    layout->addLayout(row);
    connect(no, &QPushButton::clicked, this, &DeleteTracksConfirm::userClicksCancel);
    connect(yes, &QPushButton::clicked, this, &DeleteTracksConfirm::userClicksDone);
}

void DeleteTracksConfirm::userClicksDone()
{
    done(mAlwaysDelete->isChecked() ? kYesAlways : kYes);
}

void DeleteTracksConfirm::userClicksCancel()
{
    done(kNo);
}
