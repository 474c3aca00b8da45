#include "ui/FolderPhoneChooser.h"

#include "app/DebugLog.h"
#include "ui/ModalAnswerer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>

QString FolderPhoneChooser::choose(QWidget* aParent)
{
    QFileDialog dialog(aParent, QCoreApplication::translate("SyncUi", "Use a folder as phone"),
                       QDir::homePath());
    dialog.setObjectName(QStringLiteral("phoneFolderDialog"));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (ModalAnswerer::exec(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    const QString folder = QDir::cleanPath(dialog.selectedFiles().constFirst());
    logValue("Folder as phone", folder);
    return folder;
}
