#include "application.h"
#include "controls.h"
#include "filejudgement.h"
#include "qtstrings.h"
#include "separators.h"
#include "spectrumtable.h"
#include "tform1.h"

#include <QCheckBox>
#include <QProgressBar>
#include <memory>
#include <string>
#include <vector>

// The library search: the files of the list taken as the entries of a library of reference
// spectra and ranked against a spectrum the viewer shows.

namespace
{

// What DescribeFile says of a file of the program's own layout that it refuses; the search names
// such a file alone.
const std::string kOwnLayoutRefusal = "falsches Format";

// Short enough to stay inside the window's edge after the status label's place up to 100000
// entries.
QString comparedText(qulonglong entries)
{
    return entries == 1 ? TForm1::tr("1 Eintrag geprüft")
                        : TForm1::tr("%1 Einträge geprüft").arg(entries);
}

} // namespace

void TForm1::LibrarySearch(const LibraryEntry &query)
{
    ListBox3->Clear();
    CountLabel->SetCaption(QString());
    const bool each = EachSpectrum->isChecked();
    setStatus(tr("Working......"));
    BadFileList.Count = 0;
    Library.Start(query);
    m_hasReport = true;
    m_reportFiles = ListBox1->Items();
    // The files are read on a table of their own, so that the viewer keeps the query's data.
    const auto scratch = std::make_unique<SpectrumTableData>();
    std::vector<LibraryEntry> entries;
    const int count = ListBox1->Count();
    bool stopped = false;
    const int searched = forEachListedFile(
        [&](const QString &name) {
            entries.clear();
            std::string reason;
            if (DescribeFile(
                    FileNameToStd(name), each, CurrentSeparators(), *scratch, entries, reason)) {
                for (LibraryEntry &entry : entries) {
                    entry.File = ToStdString(name);
                    Library.Add(std::move(entry));
                }
            } else {
                if (reason == kOwnLayoutRefusal)
                    reason.clear();
                BadFileList.Add(FileNameToStd(name), reason);
                Library.AddRefused(ToStdString(name), reason);
            }
        },
        stopped);
    Library.Rank();
    for (const auto &[file, score] : Library.HitFiles())
        addResult(ToQString(file), &score);
    reportBadFiles();
    setStatus(stopped ? tr("Abgebrochen") : comparedText(Library.EntryCount()));
    showCount(searched, count, BadFileList.Count, stopped);
    SetCaption(this, kMainCaption);
    Bar->setValue(0);
}
