// A long random sequence of what a person can do with the program, under one seed: clicks on
// every button, double clicks and selections in the lists, text typed into every field, Enter,
// mouse presses, moves, drags and releases over the chart, windows closed, reopened and resized,
// and files of every kind added (good, wrong layout, empty, binary, missing, a FIFO, a device,
// large). Dialogs and message boxes are answered at once. After every step the invariants the
// program promises are checked; the first broken one ends the run with the seed and the step, so
// that `peakhound_monkey --seed S --steps N` replays it.
//
//   peakhound_monkey [--seed S] [--seeds K] [--steps N] [--verbose]
//
// Runs seeds S .. S + K - 1 one after the other, each on a fresh set of windows.

#include "application.h"
#include "controls.h"
#include "dialogs.h"
#include "messagebox.h"
#include "plotbuilder.h"
#include "project1.h"
#include "separators.h"
#include "spectrumtable.h"
#include "tchart.h"
#include "tchartseries.h"
#include "tform1.h"
#include "tform2.h"
#include "tform3.h"
#include "tform4.h"
#include "tpeakanzeige.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace
{

using Random = std::mt19937_64;

int pick(Random &random, int n)
{
    return n <= 0 ? 0 : static_cast<int>(random() % static_cast<unsigned>(n));
}

template <typename T> T *pickOf(Random &random, const QList<T *> &items)
{
    return items.isEmpty() ? nullptr : items[pick(random, static_cast<int>(items.size()))];
}

QByteArray spectrum(int rows, int spectra, double scale, const char *yCaption, Random &random)
{
    QByteArray text = "Probe\r\nx-data = Raman shift [1/cm] y-data = ";
    text += yCaption;
    text += "\r\nShift";
    for (int s = 0; s < spectra; ++s)
        text += "\tS" + QByteArray::number(s);
    text += "\r\n";
    for (int r = 0; r < rows; ++r) {
        text += QByteArray::number(200 + r * 0.75, 'f', 2);
        for (int s = 0; s < spectra; ++s) {
            const double band = 1000 + 50 * s;
            const double d = (200 + r * 0.75 - band) / 6;
            text += '\t';
            text +=
                QByteArray::number(scale * (100 + 900 / (1 + d * d)) + pick(random, 20), 'f', 1);
        }
        text += "\r\n";
    }
    return text;
}

// The files a person might add: every kind the program must survive.
struct Corpus {
    QTemporaryDir dir;
    QStringList spectra;
    QStringList peakFiles;

    explicit Corpus(Random &random)
    {
        const auto write = [this](const QString &name, const QByteArray &bytes) {
            QFile file(dir.filePath(name));
            if (file.open(QIODevice::WriteOnly))
                file.write(bytes);
            return dir.filePath(name);
        };
        spectra
            << write(QStringLiteral("good1.txt"), spectrum(400, 1, 1, "Intensity", random))
            << write(QStringLiteral("good2.txt"), spectrum(400, 1, 3, "Intensity", random))
            << write(QStringLiteral("three.txt"), spectrum(400, 3, 1, "Intensity", random))
            << write(QStringLiteral("kilo.txt"), spectrum(400, 2, 1, "Intensity [kcounts]", random))
            << write(QStringLiteral("large.txt"), spectrum(9999, 40, 1, "Intensity", random))
            << write(QStringLiteral("wide.txt"), spectrum(50, 99, 1, "Intensity", random))
            << write(QStringLiteral("toolong.txt"), spectrum(10001, 1, 1, "Intensity", random))
            << write(QStringLiteral("wrong.txt"), "Probe\r\nno captions\r\nno tabs here\r\n1 2\r\n")
            << write(QStringLiteral("empty.txt"), QByteArray())
            << write(QStringLiteral("negative.txt"), spectrum(100, 2, -1, "Intensity", random))
            << write(QStringLiteral("huge.txt"),
                   "P\r\nx-data = x y-data = "
                   "y\r\nS\tA\r\n-1e308\t1\r\n0\t1e308\r\n1e308\t-1e308\r\n")
            << write(QStringLiteral("nan.txt"), "P\r\nx-data = x y-data = y\r\nS\tA\r\n1\tnan\r\n");
        QByteArray binary;
        for (int i = 0; i < 5000; ++i)
            binary += static_cast<char>(random() & 0xFF);
        spectra << write(QStringLiteral("binary.txt"), binary);
        // Instrument files and exports whole, cut short and with bytes flipped.
        const QString data = QStringLiteral(PH_SOURCE_DIR "/tests/data/");
        const QStringList samples = { QStringLiteral(
                                          "formats/charisma_nCal_Qontor785_z005H12_100_1x3s.wdf"),
            QStringLiteral("formats/charisma_PST_Reflex532_Z050_010_10000msx2.spc"),
            QStringLiteral("formats/charisma_PST10_iR532_Probe_100_3000msx7.txt"),
            QStringLiteral(
                "formats/"
                "charisma_Anatase_R060277_Broad_Scan_0_unoriented_Raman_Data_RAW_21346.txt"),
            QStringLiteral("jcamp/o01.jdx"), QStringLiteral("jcamp/blckpac1.jdx") };
        for (const QString &sample : samples) {
            QFile file(data + sample);
            if (!file.open(QIODevice::ReadOnly))
                continue;
            const QByteArray bytes = file.readAll();
            const QString name = QFileInfo(sample).fileName();
            spectra << write(name, bytes);
            spectra << write(QStringLiteral("cut-") + name,
                bytes.left(
                    static_cast<qsizetype>(random() % static_cast<unsigned>(bytes.size() + 1))));
            QByteArray flipped = bytes;
            for (int k = 0; k < 8 && !flipped.isEmpty(); ++k)
                flipped[static_cast<qsizetype>(random() % static_cast<unsigned>(flipped.size()))] ^=
                    static_cast<char>(1 << (random() % 8));
            spectra << write(QStringLiteral("flipped-") + name, flipped);
        }
        spectra << write(QStringLiteral("table.csv"), "x;y\r\n100,5;7\r\n101,5;9\r\n102,5;8\r\n");
        spectra << dir.filePath(QStringLiteral("missing.txt"));
        const QString fifo = dir.filePath(QStringLiteral("fifo.txt"));
        if (::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0)
            spectra << fifo;
        spectra << QStringLiteral("/dev/zero") << dir.path();
        peakFiles << write(QStringLiteral("peaks.txt"), "1000\r\n1050\r\n1100\r\n")
                  << write(QStringLiteral("badpeaks.txt"), "1000\r\nabc\r\n\r\n")
                  << write(QStringLiteral("manypeaks.txt"), QByteArray("612\n").repeated(300))
                  << dir.filePath(QStringLiteral("binary.txt"))
                  << dir.filePath(QStringLiteral("nopeaks.txt"));
        if (spectra.contains(fifo))
            peakFiles << fifo;
    }
};

const char *const kTexts[] = { "0", "1", "2", "3", "-1", "30", "50", "12,5", "12.5", "1e3",
    "99999999999", "-2147483648", "2147483647", "1e400", "abc", "", " ", "7x", "0,0.1", "612",
    "1000", "-0", "98", "100" };

class Monkey
{
public:
    Monkey(unsigned long long seed, bool verbose)
        : m_random(seed)
        , m_seed(seed)
        , m_verbose(verbose)
        , m_corpus(m_random)
    {
    }

    // Runs the steps; returns an empty text or what broke.
    std::string run(int steps)
    {
        SetMessageBoxHook(
            [this](const MessageBoxRequest &request) { m_boxes.push_back(request.Text); });
        SetOpenDialogHook([this](const TOpenDialog &dialog, QStringList &files) {
            if (pick(m_random, 8) == 0)
                return false;
            const QStringList &pool = dialog.Filter.contains(QStringLiteral("Textdateien"))
                    && !dialog.Options.AllowMultiSelect
                ? m_corpus.peakFiles
                : m_corpus.spectra;
            const int count = dialog.Options.AllowMultiSelect ? 1 + pick(m_random, 4) : 1;
            for (int i = 0; i < count; ++i)
                files << pool[pick(m_random, static_cast<int>(pool.size()))];
            return true;
        });
        SetSaveDialogHook([this](const TSavePictureDialog &, QString &fileName, int &filter) {
            static const char *const names[] = { "pic", "pic.BMP", "pic.wmf", "missing/pic" };
            if (pick(m_random, 8) == 0)
                return false;
            fileName = m_corpus.dir.filePath(QString::fromLatin1(names[pick(m_random, 4)]));
            filter = 1 + pick(m_random, 2);
            return true;
        });
        CreateForms();
        Form1->show();
        for (int step = 0; step < steps; ++step) {
            m_step = step;
            act();
            QCoreApplication::processEvents();
            m_chartSteps += Form2->isVisible() ? 1 : 0;
            const std::string broken = check();
            if (!broken.empty())
                return broken;
        }
        DestroyForms();
        SetMessageBoxHook(nullptr);
        SetOpenDialogHook(nullptr);
        SetSaveDialogHook(nullptr);
        return std::string();
    }

    int step() const { return m_step; }
    std::size_t boxes() const { return m_boxes.size(); }
    int chartSteps() const { return m_chartSteps; }

private:
    void log(const QString &what)
    {
        if (m_verbose)
            std::fprintf(stderr, "%d: %s\n", m_step, qPrintable(what));
    }

    QList<QWidget *> visibleWindows() const
    {
        QList<QWidget *> windows;
        for (QWidget *w : { static_cast<QWidget *>(Form1), static_cast<QWidget *>(Form2),
                 static_cast<QWidget *>(Form3), static_cast<QWidget *>(Form4),
                 static_cast<QWidget *>(Peakanzeige) })
            if (w->isVisible())
                windows << w;
        return windows;
    }

    template <typename T> QList<T *> visible()
    {
        QList<T *> result;
        for (QWidget *window : visibleWindows())
            for (T *w : window->findChildren<T *>())
                if (w->isVisible() && w->isEnabled())
                    result << w;
        return result;
    }

    void act()
    {
        const int kind = pick(m_random, 100);
        if (kind < 30)
            clickButton();
        else if (kind < 45)
            useList();
        else if (kind < 60)
            typeText();
        else if (kind < 85)
            useChart();
        else if (kind < 92)
            closeOrReopen();
        else if (kind < 96)
            resizeWindow();
        else
            addFiles();
    }

    void clickButton()
    {
        QAbstractButton *button = pickOf(m_random, visible<QAbstractButton>());
        if (button == nullptr)
            return;
        log(QStringLiteral("click ") + button->objectName() + QLatin1Char(' ') + button->text());
        QTest::mouseClick(button, Qt::LeftButton);
    }

    void useList()
    {
        TListBox *list = pickOf(m_random, visible<TListBox>());
        if (list == nullptr)
            return;
        QPoint p(
            pick(m_random, list->viewport()->width()), pick(m_random, list->viewport()->height()));
        if (list->Count() > 0 && pick(m_random, 4) != 0)
            p = list->visualItemRect(list->item(pick(m_random, list->Count()))).center();
        log(QStringLiteral("list ") + list->objectName());
        if (pick(m_random, 2) == 0)
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, p);
        else
            QTest::mouseClick(list->viewport(), Qt::LeftButton,
                pick(m_random, 5) == 0 ? Qt::ControlModifier : Qt::NoModifier, p);
        if (pick(m_random, 6) == 0)
            QTest::keyClick(list, pick(m_random, 2) == 0 ? Qt::Key_Down : Qt::Key_Delete);
    }

    void typeText()
    {
        QLineEdit *edit = pickOf(m_random, visible<QLineEdit>());
        if (edit == nullptr)
            return;
        const char *text = kTexts[pick(m_random, static_cast<int>(std::size(kTexts)))];
        log(QStringLiteral("type '%1' into ").arg(QString::fromUtf8(text)) + edit->objectName());
        edit->setFocus();
        if (pick(m_random, 3) != 0)
            edit->selectAll();
        QTest::keyClicks(edit, QString::fromUtf8(text));
        if (pick(m_random, 2) == 0)
            QTest::keyClick(edit, Qt::Key_Return);
        if (pick(m_random, 5) == 0)
            QTest::keyClick(edit, pick(m_random, 2) == 0 ? Qt::Key_Up : Qt::Key_PageDown);
    }

    void useChart()
    {
        if (!Form2->isVisible()) {
            // Open a file first, as a person wanting the chart would.
            TListBox *list = pick(m_random, 3) == 0 ? Form1->ListBox3 : Form1->ListBox1;
            if (list->Count() == 0) {
                clickButton();
                return;
            }
            log(QStringLiteral("open from ") + list->objectName());
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {},
                list->visualItemRect(list->item(pick(m_random, list->Count()))).center());
            return;
        }
        TChart *chart = Form2->Chart1;
        const auto point = [&] {
            return QPoint(
                pick(m_random, chart->width() + 10) - 5, pick(m_random, chart->height() + 10) - 5);
        };
        const Qt::MouseButton button = pick(m_random, 3) == 0 ? Qt::RightButton : Qt::LeftButton;
        QPoint p = point();
        log(QStringLiteral("chart drag from %1,%2").arg(p.x()).arg(p.y()));
        QCursor::setPos(chart->mapToGlobal(p));
        QTest::mouseMove(chart, p);
        if (pick(m_random, 3) == 0)
            return; // only a move
        QTest::mousePress(chart, button, {}, p);
        const int moves = pick(m_random, 5);
        for (int i = 0; i < moves; ++i) {
            p = pick(m_random, 2) == 0
                ? point()
                : p + QPoint(pick(m_random, 81) - 30, pick(m_random, 81) - 30);
            QCursor::setPos(chart->mapToGlobal(p));
            QTest::mouseMove(chart, p);
        }
        QTest::mouseRelease(chart, button, {}, p);
    }

    void closeOrReopen()
    {
        QWidget *windows[] = { Form2, Form3, Form4, Peakanzeige };
        QWidget *w = windows[pick(m_random, 4)];
        log(QStringLiteral("close ") + w->windowTitle());
        if (w->isVisible())
            w->close();
        else if (Form1->ListBox1->Count() > 0)
            QTest::mouseDClick(Form1->ListBox1->viewport(), Qt::LeftButton, {},
                Form1->ListBox1->visualItemRect(Form1->ListBox1->item(0)).center());
    }

    void resizeWindow()
    {
        QWidget *windows[] = { Form2, Form4, Peakanzeige };
        QWidget *w = windows[pick(m_random, 3)];
        const QSize size(20 + pick(m_random, 1200), 20 + pick(m_random, 900));
        log(QStringLiteral("resize %1x%2").arg(size.width()).arg(size.height()));
        w->resize(size);
    }

    void addFiles()
    {
        log(QStringLiteral("add files"));
        QTest::mouseClick(Form1->Button1, Qt::LeftButton);
    }

    // The promises that hold after every step.
    std::string check() const
    {
        const SpectrumTableData &t = SpectrumTable;
        if (t.RowCount < 0 || t.RowCount > kMaxRows)
            return "RowCount " + std::to_string(t.RowCount);
        if (t.SpectrumCount < 0 || t.SpectrumCount > kMaxSpectra)
            return "SpectrumCount " + std::to_string(t.SpectrumCount);
        if (PeakList.Count < 0 || PeakList.Count > kMaxRows)
            return "PeakList.Count " + std::to_string(PeakList.Count);
        if (BadFileList.Count < 0)
            return "BadFileList.Count " + std::to_string(BadFileList.Count);
        if (Form1 == nullptr || Form2 == nullptr || Form3 == nullptr || Form4 == nullptr
            || Peakanzeige == nullptr || !Form1->isVisible())
            return "a window is gone";
        TChart &chart = *Form2->Chart1;
        if (chart.SeriesCount() != TForm2::kSeriesCount)
            return "series count " + std::to_string(chart.SeriesCount());
        int filled = 0;
        for (int s = 0; s < chart.SeriesCount(); ++s) {
            const int n = chart.SeriesAt(s)->PointCount();
            if (n > kMaxRows)
                return "series " + std::to_string(s) + " holds " + std::to_string(n) + " points";
            filled += n > 0;
        }
        if (filled > kMaxSpectra)
            return std::to_string(filled) + " series hold points";
        // A crosshair on record is on the window: its column differs from the last picture.
        const QImage &buffer = chart.Canvas()->Buffer();
        const QImage &surface = chart.Surface();
        if (CrosshairState.X != -1 && chart.Canvas()->Buffered() && buffer.size() == surface.size()
            && !chart.Canvas()->PictureOutOfDate()) {
            const int x = CrosshairState.X;
            if (x < 0 || x >= surface.width())
                return "crosshair recorded outside the chart at " + std::to_string(x);
            bool shown = false;
            const TRect plot = chart.PlotRect();
            for (int y = std::max(plot.Top, 0);
                 y < std::min(plot.Bottom, surface.height()) && !shown; ++y)
                shown = surface.pixel(x, y) != buffer.pixel(x, y);
            if (!shown)
                return "crosshair recorded at " + std::to_string(x) + " but not on the window";
        }
        for (const std::string &text : m_boxes)
            if (text.find("std::") != std::string::npos
                || text.find("Unbekannter Fehler") != std::string::npos)
                return "a raw error reached the user: " + text;
        return std::string();
    }

    Random m_random;
    unsigned long long m_seed;
    bool m_verbose;
    Corpus m_corpus;
    std::vector<std::string> m_boxes;
    int m_step = 0;
    int m_chartSteps = 0;
};

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", QByteArray("offscreen"));
    QApplication application(argc, argv);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    unsigned long long seed = 1;
    int seeds = 1;
    int steps = 2000;
    bool verbose = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--seed" && i + 1 < argc)
            seed = std::strtoull(argv[++i], nullptr, 10);
        else if (arg == "--seeds" && i + 1 < argc)
            seeds = std::atoi(argv[++i]);
        else if (arg == "--steps" && i + 1 < argc)
            steps = std::atoi(argv[++i]);
        else if (arg == "--verbose")
            verbose = true;
        else {
            std::fprintf(
                stderr, "usage: %s [--seed S] [--seeds K] [--steps N] [--verbose]\n", argv[0]);
            return 2;
        }
    }
    SetApplicationTitle(kApplicationTitle);
    SetNumberSeparators({ '.', ',' });
    // The preset lies below the start directory, as it does beside the installed program.
    QTemporaryDir start;
    QDir(start.path()).mkpath(QStringLiteral("peaks"));
    QFile::copy(QStringLiteral(PH_SOURCE_DIR "/peaks/rh6g.txt"),
        start.filePath(QStringLiteral("peaks/rh6g.txt")));
    QDir::setCurrent(start.path());
    for (int k = 0; k < seeds; ++k) {
        const unsigned long long s = seed + static_cast<unsigned long long>(k);
        std::fprintf(stderr, "seed %llu: %d steps\n", s, steps);
        Monkey monkey(s, verbose);
        const std::string broken = monkey.run(steps);
        if (!broken.empty()) {
            std::fprintf(stderr,
                "FAILED seed %llu at step %d: %s\nreplay: %s --seed %llu --steps %d --verbose\n", s,
                monkey.step(), broken.c_str(), argv[0], s, monkey.step() + 1);
            return 1;
        }
        std::fprintf(stderr,
            "seed %llu: passed, %zu message boxes answered, chart shown after %d steps\n", s,
            monkey.boxes(), monkey.chartSteps());
        QDir::setCurrent(start.path());
    }
    return 0;
}
