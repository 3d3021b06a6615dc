#include "viewerscene.h"

#include "application.h"
#include "controls.h"
#include "project1.h"
#include "separators.h"
#include "spectrumtable.h"
#include "tchart.h"
#include "tchartseries.h"
#include "tform1.h"
#include "tform2.h"
#include "tform3.h"

#include <QDir>
#include <QPushButton>
#include <algorithm>
#include <cmath>

ViewerScene::ViewerScene()
    : m_startDir(QDir::currentPath())
{
    SetApplicationTitle(kApplicationTitle);
    SetNumberSeparators({ '.', ',' });
    QDir::setCurrent(QString::fromStdString(folder.root()));
    SpectrumTable.SpectrumCount = 0;
    CreateForms();
    Form1->show();
}

ViewerScene::~ViewerScene()
{
    DestroyForms();
    QDir::setCurrent(m_startDir);
}

QString ViewerScene::write(const std::string &name, const std::string &text) const
{
    return QString::fromStdString(folder.write(name, text));
}

QString ViewerScene::path(const std::string &name) const
{
    return QString::fromStdString(folder.path(name));
}

void ViewerScene::listFiles(const QStringList &files)
{
    script.answerDialog(files);
    QTest::mouseClick(Form1->Button1, Qt::LeftButton);
}

void ViewerScene::open(int index)
{
    DoubleClickEntry(Form1->ListBox1, index);
}

QStringList ViewerScene::takeBoxes()
{
    QStringList texts;
    for (const auto &box : script.boxes)
        texts << QString::fromStdString(box.Text);
    script.boxes.clear();
    return texts;
}

void ClickEntry(TListBox *list, int index)
{
    const QPoint at = list->visualItemRect(list->item(index)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
}

void DoubleClickEntry(TListBox *list, int index)
{
    ClickEntry(list, index);
    const QPoint at = list->visualItemRect(list->item(index)).center();
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

QList<int> ShownTags()
{
    const double spacing = Form3->Abstand->text().toDouble();
    double largest = 0.0;
    for (int s = 0; s < SpectrumTable.SpectrumCount; ++s)
        for (int r = 1; r <= SpectrumTable.RowCount; ++r)
            largest = std::max(largest, SpectrumTable.Cell(r, s + 2));
    QList<int> tags;
    for (int s = 0; s < TForm2::kSeriesCount; ++s) {
        const TChartSeries *series = Form2->Chart1->SeriesAt(s);
        if (series->PointCount() == 0)
            break;
        const double lift = spacing / 100 * (s + 1) * largest;
        tags << static_cast<int>(std::lround(series->YValues().ValueAt(0) - lift)) - 1;
    }
    return tags;
}
