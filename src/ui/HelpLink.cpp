#include "ui/HelpLink.h"

#include "app/DebugLog.h"
#include "ui/MessageCatalogue.h"
#include "ui/ModalAnswerer.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QUrl>
#include <QVBoxLayout>

namespace {

HelpLink::Opener& opener()
{
    static HelpLink::Opener sOpener;
    return sOpener;
}

} // namespace

void HelpLink::setOpener(Opener aOpener)
{
    opener() = std::move(aOpener);
}

bool HelpLink::openInBrowser(const QString& aAddress)
{
    // xdg-open reports success before it finds out that no program takes web addresses; ask
    // first whether one is set, unless the user names a browser in BROWSER.
    if (qEnvironmentVariableIsEmpty("BROWSER")) {
        if (QStandardPaths::findExecutable(QStringLiteral("xdg-open")).isEmpty())
            return false;
        const QString query = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
        if (!query.isEmpty()) {
            QProcess process;
            process.start(query, {QStringLiteral("query"), QStringLiteral("default"),
                                  QStringLiteral("x-scheme-handler/http")});
            if (process.waitForFinished(3000) && process.readAllStandardOutput().trimmed().isEmpty())
                return false;
        }
    }
    return QDesktopServices::openUrl(QUrl(aAddress));
}

void HelpLink::open(QWidget* aParent, const QString& aAddress)
{
    LogScope scope("HelpLink::open");
    logValue("aAddress", aAddress);
    const bool opened = opener() ? opener()(aAddress) : openInBrowser(aAddress);
    if (opened)
        return;
    logMessage("No web browser - showing the address");
    QDialog box(aParent);
    box.setObjectName(QStringLiteral("helpAddressBox"));
    box.setWindowTitle(MessageCatalogue::get().productName);
    auto* layout = new QVBoxLayout(&box);
    auto* text = new QLabel(QApplication::translate(
        "SyncUi", "No web browser could be started. The help is at this address:"));
    text->setWordWrap(true);
    layout->addWidget(text);
    auto* address = new QLineEdit(aAddress);
    address->setObjectName(QStringLiteral("helpAddress"));
    address->setReadOnly(true);
    address->setMinimumWidth(420);
    layout->addWidget(address);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    QPushButton* copy =
        buttons->addButton(QApplication::translate("SyncUi", "Copy"), QDialogButtonBox::ActionRole);
    copy->setObjectName(QStringLiteral("copyAddressButton"));
    QObject::connect(copy, &QPushButton::clicked, &box,
                     [aAddress] { QApplication::clipboard()->setText(aAddress); });
    QObject::connect(buttons, &QDialogButtonBox::rejected, &box, &QDialog::reject);
    layout->addWidget(buttons);
    ModalAnswerer::exec(box);
}
