#pragma once

#include <QStringList>

class QWidget;

// The notice that a phone could not be opened, as the main window and the wizard's connect page
// both give it. A phone held by the file manager or still locked is something the user can put
// right, so the reasons (the MTP enumeration's problems) say what to do instead of suggesting a
// restart.
class UnableToOpenNotice
{
public:
    static void show(QWidget* aParent, const QStringList& aOpenProblems);
};
