#pragma once

#include <QString>

class QWidget;

// Asks the user for a folder to use as a phone (a card or a drive mounted somewhere).
class FolderPhoneChooser
{
public:
    // The chosen folder, absolute and clean; empty when the user cancelled.
    static QString choose(QWidget* aParent);
};
