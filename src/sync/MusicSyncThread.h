#pragma once

#include <QThread>

class MusicSync;

// The thread of one synchronisation run. A C++ exception that escapes the run is reported to the
// log and ends the run with state 3.
class MusicSyncThread : public QThread
{
    Q_OBJECT

public:
    explicit MusicSyncThread(MusicSync* aSync) : mSync(aSync) {}

protected:
    void run() override;

private:
    MusicSync* mSync;
};
