#pragma once

#include <QDialog>

class QCheckBox;
class TrackList;

// Asks before tracks are removed from the phone. Result: 0 No, 1 Yes, 2 Yes and always.
class DeleteTracksConfirm : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kNo = 0;
    static constexpr int kYes = 1;
    static constexpr int kYesAlways = 2;

    explicit DeleteTracksConfirm(const TrackList& aTracks);

public slots:
    void userClicksDone();
    void userClicksCancel();

private:
    const TrackList& mTracks;
    QCheckBox* mAlwaysDelete;
};
