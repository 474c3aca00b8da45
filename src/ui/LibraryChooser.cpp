#include "ui/LibraryChooser.h"

#include "app/DebugLog.h"
#include "ui/ModalAnswerer.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFutureWatcher>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QtConcurrent>

namespace {
enum Column { KindColumn, TracksColumn, PathColumn };
} // namespace

LibraryChooser::LibraryChooser(QWidget* aParent, const QString& aCurrentPath)
    : QDialog(aParent)
    , mCurrentPath(QDir::cleanPath(aCurrentPath))
{
    setObjectName(QStringLiteral("chooseLibraryDialog"));
    setWindowTitle(tr("Choose the music library"));
    setMinimumWidth(640);

    mIntro = new QLabel(tr("Looking for music libraries on this computer\u2026"), this);
    mIntro->setObjectName(QStringLiteral("libraryChooserIntro"));
    mIntro->setWordWrap(true);

    mList = new QTreeWidget(this);
    mList->setObjectName(QStringLiteral("foundLibraries"));
    mList->setHeaderLabels({tr("Library"), tr("Tracks"), tr("Location")});
    mList->setRootIsDecorated(false);
    mList->setUniformRowHeights(true);
    mList->header()->setStretchLastSection(true);

    auto* chooseFile = new QPushButton(tr("Choose a file\u2026"), this);
    chooseFile->setObjectName(QStringLiteral("chooseLibraryFile"));
    auto* chooseFolder = new QPushButton(tr("Choose a folder\u2026"), this);
    chooseFolder->setObjectName(QStringLiteral("chooseLibraryFolder"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    mUse = buttons->addButton(tr("Use this library"), QDialogButtonBox::AcceptRole);
    mUse->setObjectName(QStringLiteral("useLibrary"));
    mUse->setEnabled(false);

    auto* pickRow = new QHBoxLayout;
    pickRow->addWidget(chooseFile);
    pickRow->addWidget(chooseFolder);
    pickRow->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(mIntro);
    layout->addWidget(mList);
    layout->addLayout(pickRow);
    layout->addWidget(buttons);

    connect(chooseFile, &QPushButton::clicked, this, [this] { pick(false); });
    connect(chooseFolder, &QPushButton::clicked, this, [this] { pick(true); });
    connect(buttons, &QDialogButtonBox::accepted, this, &LibraryChooser::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &LibraryChooser::reject);
    connect(mList, &QTreeWidget::itemSelectionChanged, this,
            [this] { mUse->setEnabled(!mList->selectedItems().isEmpty()); });
    connect(mList, &QTreeWidget::itemDoubleClicked, this, &LibraryChooser::accept);

    // Looking at the music folder can take a while on a large one.
    ++mPending;
    auto* watcher = new QFutureWatcher<QList<FoundLibrary>>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] {
        --mPending;
        showFound(watcher->result());
        watcher->deleteLater();
    });
    watcher->setFuture(QtConcurrent::run(&LibraryFinder::find));
}

QString LibraryChooser::kindText(LibraryKind::Kind aKind)
{
    switch (aKind) {
    case LibraryKind::ITunes:
        return tr("iTunes");
    case LibraryKind::Folder:
        return tr("Music folder");
    case LibraryKind::Rhythmbox:
        return tr("Rhythmbox");
    case LibraryKind::Strawberry:
        return tr("Strawberry");
    case LibraryKind::Clementine:
        return tr("Clementine");
    case LibraryKind::Unknown:
        break;
    }
    return tr("Unknown");
}

void LibraryChooser::showFound(const QList<FoundLibrary>& aFound)
{
    mIntro->setText(aFound.isEmpty()
                        ? tr("No music library was found on this computer. Choose a library "
                             "file, or the folder that holds your music.")
                        : tr("These music libraries were found on this computer. Choose the "
                             "one whose music Pellmar copies to your phone, or choose another "
                             "library file or music folder."));
    for (const FoundLibrary& library : aFound) {
        auto* item = new QTreeWidgetItem(mList);
        item->setText(KindColumn, kindText(library.mKind));
        item->setText(TracksColumn, tr("counting\u2026"));
        item->setTextAlignment(TracksColumn, Qt::AlignRight | Qt::AlignVCenter);
        item->setText(PathColumn, QDir::toNativeSeparators(library.mPath));
        item->setToolTip(PathColumn, library.mPath);
        item->setData(PathColumn, Qt::UserRole, library.mPath);
        if (QDir::cleanPath(library.mPath) == mCurrentPath)
            mList->setCurrentItem(item);

        const int row = mList->indexOfTopLevelItem(item);
        ++mPending;
        auto* watcher = new QFutureWatcher<qint64>(this);
        connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, row] {
            --mPending;
            showCount(row, watcher->result());
            watcher->deleteLater();
        });
        watcher->setFuture(QtConcurrent::run(&LibraryFinder::trackCount, library.mPath));
    }
    fitColumns();
    if (!mList->currentItem() && mList->topLevelItemCount() > 0)
        mList->setCurrentItem(mList->topLevelItem(0));
}

void LibraryChooser::showCount(int aRow, qint64 aCount)
{
    QTreeWidgetItem* item = mList->topLevelItem(aRow);
    if (!item)
        return;
    if (aCount < 0)
        item->setText(TracksColumn, tr("cannot be read"));
    else
        item->setText(TracksColumn, aCount == 1 ? tr("1 track") : tr("%1 tracks").arg(aCount));
    // The counts come in after the list was laid out.
    fitColumns();
}

void LibraryChooser::fitColumns()
{
    // Some room beyond the widest text, which the style's cell margins would otherwise clip.
    const int margin = fontMetrics().averageCharWidth() * 2;
    for (int column : {KindColumn, TracksColumn}) {
        mList->resizeColumnToContents(column);
        mList->setColumnWidth(column, mList->columnWidth(column) + margin);
    }
}

void LibraryChooser::pick(bool aFolder)
{
    QFileDialog dialog(this, aFolder ? tr("Choose the music folder") : tr("Choose the library file"),
                       QDir::homePath());
    dialog.setObjectName(aFolder ? QStringLiteral("chooseLibraryFolderDialog")
                                 : QStringLiteral("chooseLibraryFileDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (aFolder) {
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
    } else {
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setNameFilters({tr("Music libraries (*.xml *.db)"), tr("All files (*)")});
    }
    if (ModalAnswerer::exec(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    mChosenPath = QDir::cleanPath(dialog.selectedFiles().constFirst());
    QDialog::accept();
}

void LibraryChooser::accept()
{
    const QTreeWidgetItem* item = mList->currentItem();
    if (!item)
        return;
    mChosenPath = item->data(PathColumn, Qt::UserRole).toString();
    logValue("Library chosen", mChosenPath);
    QDialog::accept();
}
