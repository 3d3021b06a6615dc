#include "tform1.h"

#include "application.h"
#include "controls.h"
#include "filejudgement.h"
#include "formatdispatch.h"
#include "glyphs.h"
#include "guard.h"
#include "language.h"
#include "messagebox.h"
#include "peakfile.h"
#include "qtstrings.h"
#include "rundisplay.h"
#include "separators.h"
#include "spectrumfile.h"
#include "spectrumtable.h"

#include <QCheckBox>
#include <QDir>
#include <QFrame>
#include <QProgressBar>
#include <QPushButton>
#include <QScopedValueRollback>
#include <algorithm>
#include <filesystem>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

TForm1 *Form1 = nullptr;

const QString kMainCaption = QStringLiteral("Peakhound V2.5");
const QString kFileFilter = QStringLiteral("Textdateien (*.txt)|*.txt|Alle Dateien (*.*)|*.*");
const QString kSpectrumFileFilter = [] {
    QStringList patterns;
    for (const std::string &pattern : SpectrumFilePatterns())
        patterns << QString::fromStdString(pattern);
    return kFileFilter + QStringLiteral("|Spektrendateien (") + patterns.join(QLatin1Char(' '))
        + QStringLiteral(")|") + patterns.join(QLatin1Char(';'));
}();

namespace
{

// The directory of the peak files below the start directory, with this platform's separator.
std::string peakFolder()
{
    return StartDirectory + "/peaks/";
}

} // namespace

TForm1::TForm1()
{
    SetupWindow(
        this, { QStringLiteral("Peakhound"), 193, 217, 891, 610, true, BorderStyle::Single });
    setToolTip(tr("Das Hauptfenster."));
    peakDialog.Options.HideReadOnly = true;
    peakDialog.Options.NoChangeDir = true;
    peakDialog.Options.FileMustExist = true;
    peakDialog.Options.EnableSizing = true;
    buildLayout();
    connectHandlers();
    setUpAccessibility();
    setupReport();
    setupFileDrop();
    setupPeakRule();
    setupResultLine();
}

void TForm1::buildLayout()
{
    // clang-format off
    Button1 = CreateButton(this, {16, 8, 73, 25}, tr("Add"), tr("Dateien zur Liste zufügen"));
    Button2 = CreateButton(this, {112, 8, 73, 25}, tr("Remove"), tr("Angewählten Eintrag aus Liste entfernen"));
    Button3 = CreateButton(this, {208, 8, 73, 25}, tr("Clear"), tr("Gesamte Liste löschen."));
    Label1 = CreateLabel(this, {328, 8}, tr("Files"), 24);
    ListBox1 = CreateListBox(this, {16, 40, 593, 193}, true, tr("Liste der zu durchsuchenen Files."));
    Label2 = CreateLabel(this, {712, 8}, tr("Peaks [1/cm]"), 24);
    Button4 = CreateButton(this, {656, 40, 49, 25}, tr("Add"), tr("Zufügen eines Peaks"));
    Edit1 = CreateEdit(this, {712, 40, 49, 24}, QStringLiteral("0"), QString(), 13);
    ListBox2 = CreateListBox(this, {784, 40, 73, 193}, true, tr("Liste der Peaks nach denen die Files getestet werden sollen."));
    Button5 = CreateButton(this, {656, 72, 49, 25}, tr("Remove"), tr("Entfernen des angewählten Peaks aus der Liste"));
    Button6 = CreateButton(this, {712, 72, 49, 25}, tr("Clear"), tr("Löschen der gesamten Peakliste."));
    Button8 = CreateButton(this, {656, 104, 49, 25}, tr("Load"), tr("Laden eines Peak-Text-File."));
    Button7 = CreateButton(this, {712, 104, 49, 25}, QStringLiteral("Rh 6G"), tr("Laden der Rhodamin 6G Peakdaten."));
    Label3 = CreateLabel(this, {616, 136}, tr("Maximale Abweichung"));
    Label4 = CreateLabel(this, {616, 152}, tr("in 1/cm"));
    Abweichung = CreateSpinEdit(this, {720, 152, 57, 22}, 10, tr("Maximale erlaubte Abweichung der Einzelnen Peaks vom angegeben Wert in 1/cm"));
    Label6 = CreateLabel(this, {616, 192}, tr("Maximal fehlende Peaks"));
    maxfehl = CreateSpinEdit(this, {720, 208, 57, 22}, 1, tr("Maximal fehlende bzw. anwesende Peaks."));
    Button9 = CreateButton(this, {24, 248, 201, 65}, tr("Start !"), tr("Start der Suche."));
    CheckBox1 = CreateCheckBox(this, {240, 256, 17, 17}, false, tr("Erklärung steht daneben."));
    Label8 = CreateLabel(this, {264, 240}, tr("Normale Auswahl"), 13);
    Label9 = CreateLabel(this, {264, 256}, tr("Es werden die Spektren ausgewählt,"), 13);
    Label10 = CreateLabel(this, {264, 272}, tr("die die angegebenen Peaks enthalten"), 13);
    BitBtn1 = CreateGlyphButton(this, {568, 256, 33, 57}, ArrowGlyph(GlyphDirection::Up, {25, 29}), tr("Ergebnisliste komplett nach  oben kopieren."));
    Label7 = CreateLabel(this, {304, 304}, tr("Ergebnis:"), 24);
    ListBox3 = CreateListBox(this, {16, 336, 593, 217}, false, tr("Liste der gefunden Files."));
    Bevel1 = CreateBevel(this, {-8, 576, 897, 33});
    Bar = CreateProgressBar(this, {8, 584, 737, 17}, tr("Fortschrittsanzeige."));
    Label5 = CreateLabel(this, {752, 584}, tr("Status"), 13);
    // clang-format on

    // The start button's caption: Arial bold, 64 pixels high, black, drawn without the style's
    // padding so that the large caption fits the button.
    Button9->setFont(LayoutFont(QStringLiteral("Arial"), 64, true));
    QPalette black = Button9->palette();
    black.setColor(QPalette::ButtonText, Qt::black);
    Button9->setPalette(black);
    Button9->setStyleSheet(QStringLiteral("QPushButton { padding: 0px; }"));
    Button9->setCursor(Qt::PointingHandCursor);
}

void TForm1::connectHandlers()
{
    connect(Button1, &QPushButton::clicked, this, guarded(this, &TForm1::Button1Click));
    connect(Button2, &QPushButton::clicked, this, guarded(this, &TForm1::Button2Click));
    connect(Button3, &QPushButton::clicked, this, guarded(this, &TForm1::Button3Click));
    connect(ListBox1, &TListBox::DblClick, this, guarded(this, &TForm1::listbox1dblclik));
    connect(Button4, &QPushButton::clicked, this, guarded(this, &TForm1::Button4Click));
    connect(Edit1, &TEdit::KeyPress, this, guarded(this, &TForm1::peaksenter));
    connect(Button5, &QPushButton::clicked, this, guarded(this, &TForm1::Button5Click));
    connect(Button6, &QPushButton::clicked, this, guarded(this, &TForm1::Button6Click));
    connect(Button8, &QPushButton::clicked, this, guarded(this, &TForm1::Button8Click));
    connect(Button7, &QPushButton::clicked, this, guarded(this, &TForm1::Button7Click));
    connect(Button9, &QPushButton::clicked, this, guarded(this, &TForm1::Button9Click));
    // The check box reports every change of its state, also one made by the program.
    connect(CheckBox1, &QCheckBox::toggled, this, guarded(this, &TForm1::CheckBox1Click));
    connect(BitBtn1, &QPushButton::clicked, this, guarded(this, &TForm1::uebertragClick));
    connect(ListBox3, &TListBox::DblClick, this, guarded(this, &TForm1::malegrafik));
}

// ---- the window

void TForm1::FormCreate()
{
    StartDirectory = std::filesystem::current_path().string();
    SpectrumTable.SpectrumCount = 0;
    SpectrumTable.RowCount = 0;
    SetCaption(this, kMainCaption);
}

// ---- the file lists

void TForm1::Button1Click()
{
    if (!LastAddDirectory.isEmpty())
        Adddialog.InitialDir = LastAddDirectory;
    Adddialog.Options = TOpenDialog::OptionSet {};
    Adddialog.Options.AllowMultiSelect = true;
    Adddialog.Options.FileMustExist = true;
    Adddialog.Filter = kSpectrumFileFilter;
    Adddialog.FilterIndex = 1;
    if (Adddialog.Execute(this)) {
        for (const QString &name : std::as_const(Adddialog.Files))
            ListBox1->Add(name);
    }
    LastAddDirectory = QDir::currentPath();
}

void TForm1::Button2Click()
{
    if (ListBox1->ItemIndex() >= 0)
        ListBox1->Delete(ListBox1->ItemIndex());
}

void TForm1::Button3Click()
{
    ListBox1->Clear();
}

void TForm1::uebertragClick()
{
    ListBox1->Clear();
    for (int i = 0; i < ListBox3->Count(); ++i)
        ListBox1->Add(ListBox3->Item(i));
}

void TForm1::CheckBox1Click()
{
    if (CheckBox1->isChecked()) {
        Label8->SetCaption(tr("Inverse Auswahl"));
        Label10->SetCaption(tr("die nicht die angegebenen Peaks enthalten"));
        Label6->SetCaption(tr("Maximal vorhandene Peaks"));
    } else {
        Label8->SetCaption(tr("Normale Auswahl"));
        Label10->SetCaption(tr("die die angegebenen Peaks enthalten"));
        Label6->SetCaption(tr("Maximal fehlende Peaks"));
    }
}

// ---- the sought peaks

void TForm1::Button4Click()
{
    ListBox2->Add(Edit1->text());
}

void TForm1::peaksenter(QChar key)
{
    if (key == QLatin1Char('\r'))
        Button4Click();
}

void TForm1::Button5Click()
{
    if (ListBox2->ItemIndex() >= 0)
        ListBox2->Delete(ListBox2->ItemIndex());
}

void TForm1::Button6Click()
{
    ListBox2->Clear();
}

void TForm1::readPeakFile(const std::string &fileName)
{
    ReadPeakFile(fileName, [this](const std::string &line) { ListBox2->Add(ToQString(line)); });
}

void TForm1::Button7Click()
{
    readPeakFile(PresetPeakFile(StartDirectory, "rh6g.txt"));
}

void TForm1::Button8Click()
{
    peakDialog.InitialDir = FileNameFromStd(peakFolder());
    peakDialog.Filter = kFileFilter;
    peakDialog.FilterIndex = 1;
    if (!peakDialog.Execute(this))
        return;
    readPeakFile(FileNameToStd(peakDialog.FileName));
}

// ---- the search run

// The run does not return to the event loop, so the label is painted at once; a shorter text
// also clears what the longer one covered.
void TForm1::setStatus(const QString &text)
{
    const QRect before = Label5->geometry();
    Label5->SetCaption(text);
    repaint(before.united(Label5->geometry()));
}

void TForm1::TestFile(const QString &fileName)
{
    std::vector<std::string> targets;
    targets.reserve(static_cast<std::size_t>(ListBox2->Count()));
    for (int i = 0; i < ListBox2->Count(); ++i)
        targets.push_back(ToStdString(ListBox2->Item(i)));
    SearchSettings settings;
    settings.Tolerance = Abweichung->Value();
    settings.MaxMissing = maxfehl->Value();
    settings.Inverse = CheckBox1->isChecked();
    FileJudgement judgement;
    JudgeFile(SpectrumTable, PeakList, targets, settings, PeakRuleInForce, SortByScore->isChecked(),
        CurrentSeparators(), judgement);
    if (judgement.Selected)
        addResult(fileName, judgement.Scored ? &judgement.Score : nullptr);
    Report.AddJudged(ToStdString(fileName), judgement);
}

int TForm1::forEachListedFile(const std::function<void(const QString &)> &judge, bool &stopped)
{
    stopped = false;
    // Brings caption and bar up to date also when an error ends the run at a file; shows the
    // stop button while the run lasts.
    RunDisplay display(this, Bar, StopButton);
    const QScopedValueRollback<bool> running(m_running, true);
    const int count = ListBox1->Count();
    for (int i = 0; i < count; ++i) {
        const QString name = ListBox1->Item(i);
        display.FileStarted(kMainCaption + QStringLiteral(" - ") + name);
        judge(name);
        display.Progress(ProgressPosition(i, ListBox1->Count()));
        if (display.Stopped()) {
            stopped = true;
            return i + 1;
        }
    }
    return count;
}

void TForm1::testEachSpectrum(const QString &fileName, ParallelSpectrumJudge &judge,
    FileVerdict &verdict, std::vector<std::pair<double, QString>> &scores)
{
    const std::string name = ToStdString(fileName);
    judge.Reset();
    verdict = FileVerdict(CheckBox1->isChecked());
    const LoadResult load = StreamSpectrumFile(
        SpectrumTable, BadFileList, FileNameToStd(fileName), CurrentSeparators(), judge);
    judge.Finish();
    if (!judge.Reason().empty()) {
        BadFileList.Add(FileNameToStd(fileName), judge.Reason());
        Report.AddWrongLayout(name, judge.Reason());
    } else if (!load.WellFormed) {
        Report.AddWrongLayout(name, load.Reason);
    } else if (verdict.Selected()) {
        const double score = verdict.Score();
        addResult(fileName, m_runScored ? &score : nullptr);
        scores.emplace_back(score, fileName);
    }
}

void TForm1::reportBadFiles()
{
    if (BadFileList.Count == 0)
        return;
    std::string text = "\r";
    for (int k = 1; k <= BadFileList.Count; ++k) {
        setStatus(tr("Fehler !!!!"));
        // A file of another format is named with the reason it was refused.
        std::string entry = ToStdString(FileNameFromStd(BadFileList.Name(k)));
        if (!BadFileList.Reason(k).empty())
            entry += ": " + BadFileList.Reason(k);
        text += '\t' + entry + '\r';
    }
    text = ToStdString(tr("Folgende Daten hatten nicht das richtige Format und wurden ignoriert: "))
        + TranslatedMessage(text);
    ShowMessage(text);
}

void TForm1::Button9Click()
{
    ListBox3->Clear();
    CountLabel->SetCaption(QString());
    const PeakRuleSettings rule = ChosenPeakRule();
    const bool sorted = SortByScore->isChecked();
    const bool each = EachSpectrum->isChecked();
    m_runScored = sorted || rule.Rule == PeakRule::Sensitive;
    setStatus(tr("Working......"));
    BadFileList.Count = 0;
    std::vector<std::string> targets;
    for (const QString &target : ListBox2->Items())
        targets.push_back(ToStdString(target));
    SearchSettings settings;
    settings.Tolerance = Abweichung->Value();
    settings.MaxMissing = maxfehl->Value();
    settings.Inverse = CheckBox1->isChecked();
    Report.Start(targets, sorted || rule.Rule == PeakRule::Sensitive, each);
    Library.Clear();
    m_hasReport = true;
    m_reportFiles = ListBox1->Items();
    m_reportByScore = sorted;
    const int count = ListBox1->Count();
    // Every spectrum: each file's spectra are judged as its reader hands them over, on as many
    // threads as the machine has cores.
    std::unique_ptr<ParallelSpectrumJudge> judge;
    FileVerdict verdict(settings.Inverse);
    std::vector<std::pair<double, QString>> scores;
    QString judgedFile;
    if (each)
        judge = std::make_unique<ParallelSpectrumJudge>(targets, settings, rule, sorted,
            CurrentSeparators(),
            static_cast<int>(std::max(1u, std::thread::hardware_concurrency())),
            [this, &verdict, &judgedFile](const SpectrumPlace &place, const FileJudgement &j) {
                verdict.Add(j);
                Report.AddSpectrum(ToStdString(judgedFile), place, j);
            });
    bool stopped = false;
    const int searched = forEachListedFile(
        [&](const QString &name) {
            if (each) {
                judgedFile = name;
                testEachSpectrum(name, *judge, verdict, scores);
            } else {
                const LoadResult load = LoadSpectrumFile(FileNameToStd(name));
                if (load.WellFormed)
                    TestFile(name);
                else
                    Report.AddWrongLayout(ToStdString(name), load.Reason);
            }
        },
        stopped);
    reportBadFiles();
    if (sorted && each) {
        std::stable_sort(scores.begin(), scores.end(),
            [](const auto &a, const auto &b) { return a.first > b.first; });
        ListBox3->Clear();
        for (const auto &[score, name] : scores)
            addResult(name, &score);
    } else if (sorted) {
        sortResultsByScore();
    }
    showRuleUsed(rule, sorted);
    // An open map is coloured by the search just made.
    if (MapView != nullptr && MapView->isVisible())
        MapView->Refresh();
    setStatus(stopped ? tr("Abgebrochen") : tr("Ready !"));
    showCount(searched, count, static_cast<int>(Report.WrongLayoutCount()), stopped);
    SetCaption(this, kMainCaption);
    Bar->setValue(0);
}
