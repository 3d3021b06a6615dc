#pragma once

#include "chartowner.h"
#include "charttypes.h"
#include "devector.h"

#include <string>

// Told by a value list when its values changed in a way its owner must hear of. The series
// implements it; keeping it abstract keeps the value list free of Qt.
class ChartValueListOwner
{
public:
    virtual ~ChartValueListOwner() = default;
    // A stored value or the multiplier changed; repaint says whether the chart must be redrawn.
    virtual void ValueListChanged(bool repaint) = 0;
};

// One list of doubles of a series (its X or Y values), ordered or not, with statistics computed
// lazily. The stored values are raw; Multiplier applies when they are read. An ascending list
// keeps equal values in the order they came: a value lands after all values equal to it. Its
// setters follow the chart's setter idiom and pass a change on to the owner as a repaint.
class TChartValueList : public ChartOwner
{
public:
    TChartValueList(ChartValueListOwner *owner, std::string name);

    // properties
    bool DateTime() const { return m_dateTime; }
    void SetDateTime(bool value);
    double Multiplier() const { return m_multiplier; }
    void SetMultiplier(double value);
    const std::string &Name() const { return m_name; }
    void SetName(const std::string &value) { SetProperty(m_name, value); }
    TChartListOrder Order() const { return m_order; }
    void SetOrder(TChartListOrder value);
    ChartValueListOwner *ValueOwner() const { return m_owner; }
    // The value AddPointXY stages before the list decides its place.
    double PendingValue = 0.0;

    // operations
    int ValueCount() const { return static_cast<int>(m_values.size()); }
    // Stored value times Multiplier; an index outside the list raises the list error.
    double ValueAt(int index) const;
    void SetValueAt(int index, double value);
    // Stores value at its place under Order and returns the index it went to.
    int AppendOrdered(double value);
    void InsertValueAt(int index, double value);
    void DeleteValueAt(int index);
    void RemoveAllValues();

    // Where a column of values goes when each is stored with AppendOrdered in turn: all at the
    // end in their own order (Append), all at the front in reverse order (Prepend: strictly
    // against the list's order, and before what the list holds), or neither.
    enum class ColumnPlacement { PointByPoint, Append, Prepend };
    ColumnPlacement PlaceColumn(const double *values, std::size_t count) const;
    // Stores the column as placed (for Prepend the last value goes to index 0), without looking
    // at the order; a list that is not ordered takes any placement a series gives it.
    void AddColumn(const double *values, std::size_t count, ColumnPlacement placement);

    // statistics, refreshed first when the values changed since they were computed
    double MaxOfValues();
    double MinOfValues();
    double SumOfValues();
    double AbsSumOfValues();
    bool StatsDirty() const { return m_statsDirty; }
    void RefreshStatistics();

    // helpers for drawing and hit testing
    // The raw stored values in index order (Multiplier not applied).
    const double *RawValues() const { return m_values.data(); }
    // True while the raw values follow Order (always true for loNone); a SetValueAt or
    // InsertValueAt against the order clears it until the list is emptied.
    bool InOrder() const { return m_inOrder; }

    // helpers
    // Tells the owner to repaint.
    void Invalidate() override;

private:
    void checkIndex(int index) const;
    void refreshExtremes();
    void refreshSums();
    void noteOrderAround(std::size_t index);

    ChartValueListOwner *m_owner;
    DoubleEndedVector<double> m_values;
    bool m_dateTime = false;
    double m_maxOfValues = 0.0;
    double m_minOfValues = 0.0;
    double m_multiplier = 1.0;
    std::string m_name;
    TChartListOrder m_order = loNone;
    double m_sumOfValues = 0.0;
    double m_absSumOfValues = 0.0;
    bool m_statsDirty = true; // the extremes
    bool m_sumsDirty = true;
    bool m_inOrder = true;
};
