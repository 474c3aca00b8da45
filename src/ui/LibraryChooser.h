#pragma once

#include "library/LibraryFinder.h"

#include <QDialog>
#include <QList>
#include <QString>

class QLabel;
class QPushButton;
class QTreeWidget;

// Lets the user choose the music library: the libraries found on this computer, each with its
// kind and number of tracks, or any library file or music folder picked by hand. Finding and
// counting happen in worker threads, so that the window never waits for a large library.
class LibraryChooser : public QDialog
{
    Q_OBJECT

public:
    // aCurrentPath is selected when it is among the libraries found.
    explicit LibraryChooser(QWidget* aParent = nullptr, const QString& aCurrentPath = QString());

    // The chosen file or folder, once the dialog was accepted.
    QString chosenPath() const { return mChosenPath; }
    // False while the libraries are being looked for or counted.
    bool isSettled() const { return mPending == 0; }

    // The user-visible name of a kind of library.
    static QString kindText(LibraryKind::Kind aKind);

public slots:
    void accept() override;

private:
    void showFound(const QList<FoundLibrary>& aFound);
    void showCount(int aRow, qint64 aCount);
    void fitColumns();
    void pick(bool aFolder);

    QString mCurrentPath;
    QString mChosenPath;
    QLabel* mIntro = nullptr;
    QTreeWidget* mList = nullptr;
    QPushButton* mUse = nullptr;
    int mPending = 0;
};
