#include "UiTestSupport.h"

#include "ui/ModalAnswerer.h"

#include <QAbstractButton>
#include <QLabel>
#include <QMessageBox>
#include <QtTest>

DialogRecorder::DialogRecorder()
{
    ModalAnswerer::setAnswerer([this](QDialog& aDialog) {
        mShown.append(aDialog.objectName());
        if (auto* box = qobject_cast<QMessageBox*>(&aDialog))
            mTexts.append(box->text());
        else
            mTexts.append(QString());
        for (const auto& rule : std::as_const(mRules)) {
            if (rule.first == aDialog.objectName()) {
                rule.second(aDialog);
                return;
            }
        }
        aDialog.accept();
    });
}

DialogRecorder::~DialogRecorder()
{
    ModalAnswerer::setAnswerer({});
}

void DialogRecorder::clickButton(QDialog& aDialog, const QString& aText)
{
    for (QAbstractButton* button : aDialog.findChildren<QAbstractButton*>()) {
        if (button->text() == aText) {
            button->click();
            return;
        }
    }
    QFAIL(qPrintable(QStringLiteral("no button ") + aText));
}

QString labelText(QWidget& aParent, const char* aName)
{
    auto* label = aParent.findChild<QLabel*>(QLatin1String(aName));
    return label ? label->text() : QStringLiteral("<no label>");
}

bool waitFor(const std::function<bool()>& aCondition, int aMsecs)
{
    return QTest::qWaitFor(aCondition, aMsecs);
}
