#include "controls.h"
#include "numformat.h"
#include "qtstrings.h"
#include "separators.h"
#include "tform1.h"

#include <QListWidgetItem>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <algorithm>
#include <utility>
#include <vector>

// What a search came to, in view: the line under the result list (how many files were
// selected of how many searched, how many refused, whether the run was stopped), each result's
// score beside its name, and the button that stops a run.

namespace
{

// The score of a result, kept beside the entry's text so that the text stays the file's name.
constexpr int kScoreRole = Qt::UserRole + 1;

// Draws an entry as the list does, with its score right-aligned in the same row.
class ScoreDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
        const QModelIndex &index) const override
    {
        const QVariant score = index.data(kScoreRole);
        if (!score.isValid()) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        const QString text = scoreText(score.toDouble());
        const int width = option.fontMetrics.horizontalAdvance(text) + 8;
        QStyleOptionViewItem name = option;
        name.rect.setRight(option.rect.right() - width);
        QStyledItemDelegate::paint(painter, name, index);
        // The score's strip shares the row's selection colours.
        QStyleOptionViewItem strip = option;
        strip.rect.setLeft(option.rect.right() - width + 1);
        initStyleOption(&strip, index);
        strip.text.clear();
        const QWidget *widget = option.widget;
        QStyle *style = widget != nullptr ? widget->style() : nullptr;
        if (style != nullptr)
            style->drawPrimitive(QStyle::PE_PanelItemViewItem, &strip, painter, widget);
        painter->save();
        painter->setPen(option.palette.color(option.state.testFlag(QStyle::State_Selected)
                ? QPalette::HighlightedText
                : QPalette::Text));
        painter->drawText(
            strip.rect.adjusted(0, 0, -4, 0), Qt::AlignRight | Qt::AlignVCenter, text);
        painter->restore();
    }

    static QString scoreText(double score)
    {
        return ToQString(FormatFixed(score, 0, 1, CurrentSeparators()));
    }
};

} // namespace

void TForm1::setupResultLine()
{
    // clang-format off
    CountLabel = CreateLabel(this, {16, 556}, QString());
    CountLabel->setToolTip(tr("Wie viele Files die letzte Suche ausgewählt hat."));
    StopButton = CreateButton(this, {616, 528, 105, 25}, tr("Abbrechen"), tr("Die laufende Suche anhalten (auch mit Esc); die bisher gefundenen Files bleiben in der Liste."));
    // clang-format on
    StopButton->hide();
    ListBox3->setItemDelegate(new ScoreDelegate(ListBox3));
}

void TForm1::addResult(const QString &name, const double *score)
{
    ListBox3->Add(name);
    if (score == nullptr)
        return;
    QListWidgetItem *item = ListBox3->item(ListBox3->Count() - 1);
    item->setData(kScoreRole, *score);
    const QString text = tr("Güte %1").arg(ScoreDelegate::scoreText(*score));
    item->setData(Qt::ToolTipRole, text);
    item->setData(Qt::AccessibleDescriptionRole, text);
}

void TForm1::sortResultsByScore()
{
    std::vector<std::pair<double, QString>> results;
    results.reserve(static_cast<std::size_t>(ListBox3->Count()));
    for (int i = 0; i < ListBox3->Count(); ++i)
        results.emplace_back(ListBox3->item(i)->data(kScoreRole).toDouble(), ListBox3->Item(i));
    std::stable_sort(results.begin(), results.end(),
        [](const auto &a, const auto &b) { return a.first > b.first; });
    ListBox3->Clear();
    for (const auto &[score, name] : results)
        addResult(name, &score);
}

void TForm1::showCount(int searched, int total, int refused, bool stopped)
{
    QString text = stopped ? tr("Abgebrochen nach %1 von %2 Files: %3 ausgewählt")
                                 .arg(searched)
                                 .arg(total)
                                 .arg(ListBox3->Count())
                           : tr("%1 von %2 Files ausgewählt").arg(ListBox3->Count()).arg(total);
    if (refused > 0)
        text += tr(", %1 abgelehnt").arg(refused);
    CountLabel->SetCaption(text);
}
