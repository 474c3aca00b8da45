#pragma once

#include <QWizardPage>

class QLabel;
class QLineEdit;
class QRadioButton;

// Photos from a BlackBerry pictures folder.
class CopyPhotosPage : public QWizardPage
{
    Q_OBJECT

public:
    explicit CopyPhotosPage(QWidget* aParent = nullptr);
    int nextId() const override;
    bool isComplete() const override;
    bool copyPhotos() const;
    QString folder() const;

private slots:
    void browse();
    void updated();

private:
    QRadioButton* mDontCopy;
    QRadioButton* mCopyFrom;
    QLineEdit* mFolder;
    QLabel* mLabel;
};
