#pragma once

#include <QThread>

class LocalMusicLibrary;

// First contact with the library in a worker thread, so that a busy or starting library never
// blocks the window.
class LocalLibraryInitialiseThread : public QThread
{
    Q_OBJECT

public:
    explicit LocalLibraryInitialiseThread(LocalMusicLibrary* aLibrary);

protected:
    void run() override;

private:
    LocalMusicLibrary* mLibrary;
};
