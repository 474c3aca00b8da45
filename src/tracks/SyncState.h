#pragma once

// The state of the phone and of a synchronisation, as the auto-refresher and the sync engine send
// it and the window and the command line show it. The numbers travel through int signals and are
// what every receiver compares against, so they never change.
namespace SyncState {

enum Value : int {
    None = -1, // nothing reported yet
    NoPhone = 0,
    PhoneReady = 1,
    Finished = 2,
    FinishedWithErrors = 3,
    NotConfigured = 4,
    NoSettings = 5,
    Cancelled = 6,
    Busy = 7, // the first busy state; it shows nothing of its own
    ScanningLibrary = 8,
    Preparing = 9,
    PreparingToDelete = 10,
    CheckingAlbumArt = 11,
    Deleting = 12,
    Copying = 13,
    Cancelling = 14,
    Playlists = 15,
    CopyingPhotos = 16,
    ConvertingVideo = 17,
    End = 18, // one past the last state: no receiver shows it
};

// States below Busy are idle: a run that sends one has ended, and the window may close.
constexpr bool isIdle(int aState)
{
    return aState < Busy;
}

} // namespace SyncState
