#pragma once

#include <QWizardPage>

class QRadioButton;

// Whether the phone plays AAC files. Its answer is not stored: the conversion setting is
// written as off.
class ConvertToMp3Page : public QWizardPage
{
    Q_OBJECT

public:
    explicit ConvertToMp3Page(QWidget* aParent = nullptr);
    int nextId() const override;
    // Sets the answer from the stored conversion setting.
    void setConvert(bool aConvert);
    // Tracks are converted unless the user said the phone plays AAC.
    bool convert() const;

private:
    QRadioButton* mYes;
    QRadioButton* mNo;
    QRadioButton* mDontKnow;
};
