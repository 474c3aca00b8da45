#pragma once

#include <QWidget>

class QCheckBox;
class QPushButton;

// The lower part of the main window: "Use a folder as phone..." (shown while no phone is
// there), the row of Settings, Help, Preview and Synchronize (with Stop in its place while a
// run of this window works), and the full-resynchronization box.
class SyncControls : public QWidget
{
    Q_OBJECT

public:
    explicit SyncControls(QWidget* aParent = nullptr);

    QPushButton* settingsButton() const { return mSettings; }
    QPushButton* helpButton() const { return mHelp; }
    QPushButton* previewButton() const { return mPreview; }
    QPushButton* syncButton() const { return mSync; }
    QPushButton* stopButton() const { return mStop; }
    QPushButton* folderButton() const { return mFolder; }
    QCheckBox* forceFull() const { return mForceFull; }

    // Everything can be pressed; Synchronize stands where Stop was.
    void setRegular();
    // Nothing but Stop can be pressed, and Stop only while aRunning and not yet pressed.
    void setSyncing(bool aRunning, bool aStopRequested);

private:
    QPushButton* mSettings;
    QPushButton* mHelp;
    QPushButton* mPreview;
    QPushButton* mSync;
    QPushButton* mStop;
    QPushButton* mFolder;
    QCheckBox* mForceFull;
};
