#pragma once

#include <QDialog>

#include <functional>

// Runs the window's modal dialogs and message boxes. Tests install an answerer that receives
// the shown dialog and answers it as a user would (ticking boxes, clicking buttons found by
// object name or text); without one the dialog runs its own modal loop.
class ModalAnswerer
{
public:
    using Answer = std::function<void(QDialog& aDialog)>;

    static void setAnswerer(Answer aAnswer);
    static bool hasAnswerer();
    // QDialog::exec, or the installed answerer. A dialog the answerer leaves open is rejected.
    static int exec(QDialog& aDialog);
};
