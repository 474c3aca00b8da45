#pragma once

#include <QDialog>
#include <QStringList>
#include <QWidget>

#include <functional>

class QLabel;
class SyncUi;

// Answers the window's modal dialogs as a user would and records what was shown: each dialog's
// object name and the text of its message box, if it is one. Installed for its lifetime.
class DialogRecorder
{
public:
    using Rule = std::function<void(QDialog&)>;

    DialogRecorder();
    ~DialogRecorder();

    // What to do with a dialog of this object name; without a rule a dialog is accepted.
    void on(const QString& aObjectName, Rule aRule) { mRules.append({aObjectName, aRule}); }
    // Clicks the button of a message box whose text is aText.
    static void clickButton(QDialog& aDialog, const QString& aText);

    QStringList mShown;
    QStringList mTexts;

private:
    QList<QPair<QString, Rule>> mRules;
};

QString labelText(QWidget& aParent, const char* aName);
// Processes events until aCondition holds or aMsecs passed.
bool waitFor(const std::function<bool()>& aCondition, int aMsecs = 10000);
