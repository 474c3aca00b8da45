#pragma once

#include <functional>

class Device;
class QWidget;

// Runs phone work (configuring a phone: its id file goes over MTP) off the window's thread, so
// that a slow or stalled phone never freezes the window. After a moment a box says that the
// window is waiting for the phone; Cancel asks the work to stop (a transfer stops at once, a
// single request to the phone ends with it) and the box closes when the work has returned.
class PhoneWait
{
public:
    static constexpr int kShowAfterMs = 400;

    // Answers false when the user cancelled.
    static bool run(QWidget* aParent, Device& aPhone, const std::function<void()>& aWork);
};
