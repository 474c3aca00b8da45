#include "ui/ModalAnswerer.h"

namespace {
ModalAnswerer::Answer& answerer()
{
    static ModalAnswerer::Answer sAnswer;
    return sAnswer;
}
} // namespace

void ModalAnswerer::setAnswerer(Answer aAnswer)
{
    answerer() = std::move(aAnswer);
}

bool ModalAnswerer::hasAnswerer()
{
    return bool(answerer());
}

int ModalAnswerer::exec(QDialog& aDialog)
{
    if (!answerer())
        return aDialog.exec();
    // A copy: the answerer may replace itself while it answers.
    const Answer answer = answerer();
    aDialog.setResult(0);
    aDialog.show();
    answer(aDialog);
    if (aDialog.isVisible())
        aDialog.reject();
    return aDialog.result();
}
