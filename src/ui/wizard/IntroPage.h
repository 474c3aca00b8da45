#pragma once

#include <QWizardPage>

// The wizard's first page: what the wizard is about to do, by the reason it was opened.
class IntroPage : public QWizardPage
{
    Q_OBJECT

public:
    IntroPage(int aMode, QWidget* aParent = nullptr);
    int nextId() const override;
};
