#include "CommonDialogs.h"

#include "FileFilter.h"
#include "FilePreviewPane.h"
#include "QtSettingsSandbox.h"

#include <QFileDialog>
#include <QFileInfo>

namespace Module1 {

QString SelectFile(QWidget* owner, const QString& filter, const QString& initialDir, const QString& title)
{
    const dialogs::QtSettingsSandbox sandbox; // outlives the dialog, which writes on destruction
    QString chosen;
    {
        QFileDialog dialog(owner, title);
        // Qt's own dialog rather than the desktop's, so it looks the same
        // everywhere and can carry the preview pane.
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        // Only an existing file in an existing folder is accepted, typed names included.
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setNameFilters({dialogs::nameFilterFromFilterText(filter)});
        const QString folder = ToLocalPath(initialDir);
        if (!folder.isEmpty() && QFileInfo(folder).isDir())
            dialog.setDirectory(folder);
        dialog.setWindowModality(owner ? Qt::WindowModal : Qt::ApplicationModal);
        dialogs::FilePreviewPane::attachTo(dialog);

        if (dialog.exec() == QDialog::Accepted) {
            const QString path = dialog.selectedFiles().value(0);
            if (QFileInfo(path).isFile())
                chosen = QFileInfo(path).absoluteFilePath();
        }
    }
    return chosen;
}

} // namespace Module1
