#pragma once

#include <QWizardPage>

class QCheckBox;

// The licence agreement, shown on a first run; Next needs the agreement.
class EULAPage : public QWizardPage
{
    Q_OBJECT

public:
    explicit EULAPage(QWidget* aParent = nullptr);
    int nextId() const override;
    bool validatePage() override;

private:
    QCheckBox* mAccept;
};
