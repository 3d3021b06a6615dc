#include "viewerscene.h"

#include "controls.h"
#include "spectrumtable.h"
#include "tchart.h"
#include "tchartseries.h"
#include "tform2.h"
#include "tform3.h"

#include <algorithm>
#include <cmath>

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
