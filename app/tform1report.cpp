#include "controls.h"
#include "filedrop.h"
#include "guard.h"
#include "qtstrings.h"
#include "separators.h"
#include "textoutput.h"
#include "tform1.h"

#include <QAction>
#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>

// The match report behind the result list, and files dropped on the file list.

void TForm1::setupReport()
{
    ReportMenu = new QMenu(this);
    ReportCopyItem = ReportMenu->addAction(tr("Bericht kopieren"));
    ReportSaveItem = ReportMenu->addAction(tr("Bericht speichern..."));
    connect(ReportCopyItem, &QAction::triggered, this, guarded(this, &TForm1::ReportCopyClick));
    connect(ReportSaveItem, &QAction::triggered, this, guarded(this, &TForm1::ReportSaveClick));
    ListBox3->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ListBox3, &QWidget::customContextMenuRequested, this,
        guarded(this, &TForm1::ListBox3ContextPopup));

    ReportDialog.Filter = QStringLiteral(
        "Tabulatorgetrennte Texte (*.tsv)|*.tsv|Textdateien (*.txt)|*.txt|Alle Dateien (*.*)|*.*");
    ReportDialog.Options.OverwritePrompt = true;
}

// A changed file list makes the report of the last run stale.
bool TForm1::HasReport() const
{
    return m_hasReport && ListBox1->Items() == m_reportFiles;
}

void TForm1::ListBox3ContextPopup(const QPoint &position)
{
    ReportCopyItem->setEnabled(HasReport());
    ReportSaveItem->setEnabled(HasReport());
    ReportMenu->popup(ListBox3->viewport()->mapToGlobal(position));
}

// After a library search, its explanation of each hit; else the search's report.
std::string TForm1::reportText() const
{
    const char decimal = CurrentSeparators().Decimal;
    return Library.Active() ? Library.Text(decimal) : Report.Text(decimal, m_reportByScore);
}

QString TForm1::ReportText() const
{
    return ToQString(reportText());
}

void TForm1::ReportCopyClick()
{
    if (HasReport())
        QGuiApplication::clipboard()->setText(ReportText());
}

void TForm1::ReportSaveClick()
{
    if (!HasReport())
        return;
    ReportDialog.FilterIndex = 1;
    if (ReportDialog.FileName.isEmpty())
        ReportDialog.FileName = QStringLiteral("Bericht.tsv");
    if (!ReportDialog.Execute(this))
        return;
    // A name without an extension gets ".tsv".
    if (QFileInfo(ReportDialog.FileName).suffix().isEmpty()
        && !ReportDialog.FileName.endsWith(QLatin1Char('.')))
        ReportDialog.FileName += QStringLiteral(".tsv");
    WriteTextFile(FileNameToStd(ReportDialog.FileName), reportText());
}

// ---- drag and drop

void TForm1::setupFileDrop()
{
    // The folder patterns are those of the Add dialog's entry for every format read.
    QString filter = QtNameFilters(kSpectrumFileFilter).value(2);
    filter = filter.mid(filter.lastIndexOf(QLatin1Char('(')) + 1);
    filter.chop(1);
    new FileDropTarget(
        ListBox1->viewport(), filter.split(QLatin1Char(' '), Qt::SkipEmptyParts),
        [this](const QStringList &names) { AddDroppedFiles(names); },
        [this] { return !m_running; });
    // Only the file list takes drops; the edit fields would take a dropped name as text.
    for (QLineEdit *edit : findChildren<QLineEdit *>())
        edit->setAcceptDrops(false);
}

void TForm1::AddDroppedFiles(const QStringList &names)
{
    for (const QString &name : names)
        ListBox1->Add(name);
}
