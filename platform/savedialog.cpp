#include "savedialog.h"

#include "dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <utility>

namespace
{

SaveDialogHook &hook()
{
    static SaveDialogHook instance;
    return instance;
}

} // namespace

bool TSaveDialog::Execute(QWidget *parent)
{
    QString chosen;
    bool confirmed = false;
    if (hook()) {
        confirmed = hook()(*this, chosen);
    } else {
        QFileDialog dialog(parent);
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setOption(QFileDialog::HideNameFilterDetails);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(DefaultExt);
        dialog.setDirectory(InitialDir.isEmpty() ? QDir::currentPath() : InitialDir);
        TOpenDialog patterns; // the same filter syntax
        patterns.Filter = Filter;
        const QStringList filters = patterns.QtNameFilters();
        if (!filters.isEmpty()) {
            dialog.setNameFilters(filters);
            if (FilterIndex >= 1 && FilterIndex <= filters.size())
                dialog.selectNameFilter(filters[FilterIndex - 1]);
        }
        if (!FileName.isEmpty())
            dialog.selectFile(FileName);
        confirmed = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
        if (confirmed)
            chosen = dialog.selectedFiles().first();
    }
    if (!confirmed || chosen.isEmpty())
        return false;
    QFileInfo info(chosen);
    if (!DefaultExt.isEmpty() && info.suffix().isEmpty() && !chosen.endsWith(QLatin1Char('.')))
        chosen += QLatin1Char('.') + DefaultExt;
    FileName = QDir::toNativeSeparators(QFileInfo(chosen).absoluteFilePath());
    return true;
}

void SetSaveDialogHook(SaveDialogHook hook_)
{
    hook() = std::move(hook_);
}
