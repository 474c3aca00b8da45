#include "ui/UnableToOpenNotice.h"

#include "ui/MessageCatalogue.h"
#include "ui/ModalAnswerer.h"

#include <QMessageBox>

void UnableToOpenNotice::show(QWidget* aParent, const QStringList& aOpenProblems)
{
    const MessageCatalogue& c = MessageCatalogue::get();
    QMessageBox box(QMessageBox::Warning, c.unableToConnectTitle, c.unableToOpenText(aOpenProblems),
                    QMessageBox::Ok, aParent);
    box.setObjectName(QStringLiteral("unableToOpenBox"));
    ModalAnswerer::exec(box);
}
