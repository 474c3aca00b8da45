#pragma once

#include <QString>

#include <functional>

class QWidget;

// Opens a help address in the web browser. Where no browser can be started (none installed,
// none set as the default), a box shows the address with a Copy button instead, so the user is
// never left with a click that does nothing.
class HelpLink
{
public:
    using Opener = std::function<bool(const QString& aAddress)>;

    static void open(QWidget* aParent, const QString& aAddress);
    // Replaces the way the browser is started (tests: a machine without a browser); an empty
    // opener restores the system's.
    static void setOpener(Opener aOpener);
    // Whether the system looks able to start a browser for aAddress, and then starts it.
    static bool openInBrowser(const QString& aAddress);
};
