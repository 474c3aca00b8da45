#include "ui/SyncControls.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

SyncControls::SyncControls(QWidget* aParent) : QWidget(aParent)
{
    const auto button = [this](const QString& aText, const char* aName) {
        auto* made = new QPushButton(aText, this);
        made->setObjectName(QLatin1String(aName));
        return made;
    };
    mSettings = button(tr("Settings"), "settingsButton");
    mHelp = button(tr("Help"), "helpButton");
    mPreview = button(tr("Preview"), "previewButton");
    mPreview->setToolTip(tr("Show what a synchronization would copy and delete"));
    mSync = button(tr("Synchronize"), "syncButton");
    mStop = button(tr("Stop"), "stopButton");
    mStop->hide();
    mFolder = button(tr("Use a folder as phone\u2026"), "useFolderButton");
    mFolder->hide();
    mForceFull = new QCheckBox(tr("Force full resynchronization"), this);
    mForceFull->setObjectName(QStringLiteral("forceFull"));
    mForceFull->setEnabled(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(mFolder, 0, Qt::AlignHCenter);
    auto* row = new QHBoxLayout;
    for (QPushButton* each : {mSettings, mHelp, mPreview, mSync, mStop})
        row->addWidget(each);
    layout->addLayout(row);
    layout->addWidget(mForceFull, 0, Qt::AlignHCenter);
}

void SyncControls::setRegular()
{
    for (QPushButton* each : {mSync, mSettings, mHelp, mPreview})
        each->setEnabled(true);
    mSync->show();
    mStop->hide();
}

void SyncControls::setSyncing(bool aRunning, bool aStopRequested)
{
    for (QPushButton* each : {mSync, mSettings, mHelp, mPreview})
        each->setEnabled(false);
    mSync->setVisible(!aRunning);
    mStop->setVisible(aRunning);
    mStop->setEnabled(aRunning && !aStopRequested);
}
