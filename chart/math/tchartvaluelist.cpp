#include "tchartvaluelist.h"

#include "exceptions.h"
#include "messages.h"

#include <algorithm>
#include <cmath>
#include <functional>

TChartValueList::TChartValueList(ChartValueListOwner *owner, std::string name)
    : m_owner(owner)
    , m_name(std::move(name))
{
}

void TChartValueList::Invalidate()
{
    if (m_owner != nullptr)
        m_owner->ValueListChanged(true);
}

void TChartValueList::SetDateTime(bool value)
{
    SetProperty(m_dateTime, value);
}

void TChartValueList::SetMultiplier(double value)
{
    if (SetProperty(m_multiplier, value))
        m_statsDirty = m_sumsDirty = true;
}

void TChartValueList::SetOrder(TChartListOrder value)
{
    if (!SetProperty(m_order, value))
        return;
    // Existing values are not re-sorted; the ordered search only trusts them once checked.
    m_inOrder = true;
    const std::size_t n = m_values.size();
    for (std::size_t i = 1; i < n && m_inOrder; ++i)
        noteOrderAround(i);
}

void TChartValueList::checkIndex(int index) const
{
    if (index < 0 || index >= ValueCount())
        ThrowListIndexError(index);
}

double TChartValueList::ValueAt(int index) const
{
    checkIndex(index);
    return m_values[static_cast<std::size_t>(index)] * m_multiplier;
}

// Clears InOrder when the value at index breaks the order against a neighbour.
void TChartValueList::noteOrderAround(std::size_t index)
{
    if (m_order == loNone || !m_inOrder)
        return;
    const std::size_t n = m_values.size();
    const double v = m_values[index];
    const auto fits = [this](double lower, double upper) {
        return m_order == loAscending ? lower <= upper : lower >= upper;
    };
    if (index > 0 && !fits(m_values[index - 1], v))
        m_inOrder = false;
    if (index + 1 < n && !fits(v, m_values[index + 1]))
        m_inOrder = false;
}

void TChartValueList::SetValueAt(int index, double value)
{
    checkIndex(index);
    m_values[static_cast<std::size_t>(index)] = value;
    noteOrderAround(static_cast<std::size_t>(index));
    m_statsDirty = m_sumsDirty = true;
    if (m_owner != nullptr)
        m_owner->ValueListChanged(false);
}

int TChartValueList::AppendOrdered(double value)
{
    const std::size_t n = m_values.size();
    std::size_t index = n;
    if (m_order != loNone && n > 0) {
        const double *first = m_values.data();
        const double *last = first + n;
        if (m_order == loAscending && first[n - 1] > value) {
            // After all values equal to it: before the first stored value greater than it.
            // Data arriving in reverse order lands in front of everything, without a search.
            if (m_inOrder && value < first[0]) {
                index = 0;
            } else if (m_inOrder) {
                index = static_cast<std::size_t>(std::upper_bound(first, last, value) - first);
            } else {
                std::size_t i = n;
                while (i > 0 && first[i - 1] > value)
                    --i;
                index = i;
            }
        } else if (m_order == loDescending && first[n - 1] < value) {
            if (m_inOrder && value > first[0]) {
                index = 0;
            } else if (m_inOrder) {
                index = static_cast<std::size_t>(
                    std::upper_bound(first, last, value, std::greater<double>()) - first);
            } else {
                std::size_t i = n;
                while (i > 0 && first[i - 1] < value)
                    --i;
                index = i;
            }
        }
    }
    m_values.insert(index, value);
    m_statsDirty = m_sumsDirty = true;
    return static_cast<int>(index);
}

namespace
{

// Whether no value of the column comes before the one before it in Less's order.
template <typename Less> bool runsAlong(const double *values, std::size_t count)
{
    const Less less;
    for (std::size_t i = 1; i < count; ++i)
        if (less(values[i], values[i - 1]))
            return false;
    return true;
}

template <typename Less>
TChartValueList::ColumnPlacement placeColumn(
    const double *stored, std::size_t n, bool inOrder, const double *values, std::size_t count)
{
    using Placement = TChartValueList::ColumnPlacement;
    const Less less;
    // AppendOrdered puts a value at the end unless the last value lies beyond it in the order.
    if ((n == 0 || !less(values[0], stored[n - 1])) && runsAlong<Less>(values, count))
        return Placement::Append;
    // At the front go values strictly before the list's first one, each strictly before the one
    // stored before it, in a list known to be in order (equal values would land behind each
    // other, not in front).
    const auto greater = [&less](double a, double b) { return less(b, a); };
    if (!inOrder || (n > 0 && !less(values[0], stored[0])))
        return Placement::PointByPoint;
    for (std::size_t i = 1; i < count; ++i)
        if (!greater(values[i - 1], values[i]))
            return Placement::PointByPoint;
    return Placement::Prepend;
}

} // namespace

TChartValueList::ColumnPlacement TChartValueList::PlaceColumn(
    const double *values, std::size_t count) const
{
    if (count == 0 || m_order == loNone)
        return ColumnPlacement::Append;
    const double *stored = m_values.data();
    const std::size_t n = m_values.size();
    if (m_order == loAscending)
        return placeColumn<std::less<double>>(stored, n, m_inOrder, values, count);
    return placeColumn<std::greater<double>>(stored, n, m_inOrder, values, count);
}

void TChartValueList::AddColumn(const double *values, std::size_t count, ColumnPlacement placement)
{
    if (placement == ColumnPlacement::Prepend)
        std::reverse_copy(values, values + count, m_values.growFront(count));
    else
        std::copy(values, values + count, m_values.growBack(count));
    m_statsDirty = m_sumsDirty = true;
}

void TChartValueList::InsertValueAt(int index, double value)
{
    if (index < 0 || index > ValueCount())
        ThrowListIndexError(index);
    m_values.insert(static_cast<std::size_t>(index), value);
    noteOrderAround(static_cast<std::size_t>(index));
    m_statsDirty = m_sumsDirty = true;
}

void TChartValueList::DeleteValueAt(int index)
{
    checkIndex(index);
    m_values.erase(static_cast<std::size_t>(index));
    m_statsDirty = m_sumsDirty = true;
}

void TChartValueList::RemoveAllValues()
{
    m_values.clear();
    m_inOrder = true;
    m_statsDirty = m_sumsDirty = true;
}

void TChartValueList::RefreshStatistics()
{
    refreshExtremes();
    refreshSums();
}

// The extremes and the sums are refreshed apart: a drawing pass needs only the extremes, which
// take no chain of dependent additions.
void TChartValueList::refreshExtremes()
{
    const std::size_t n = m_values.size();
    if (n == 0) {
        m_minOfValues = m_maxOfValues = 0.0;
    } else {
        // A multiplier of 1 changes no value, so the common case reads the values as stored.
        const double *values = m_values.data();
        const double multiplier = m_multiplier;
        double minimum = values[0] * multiplier, maximum = minimum;
        if (multiplier == 1.0) {
            for (std::size_t i = 1; i < n; ++i) {
                const double v = values[i];
                minimum = v < minimum ? v : minimum;
                maximum = v > maximum ? v : maximum;
            }
        } else {
            for (std::size_t i = 1; i < n; ++i) {
                const double v = values[i] * multiplier;
                minimum = v < minimum ? v : minimum;
                maximum = v > maximum ? v : maximum;
            }
        }
        m_minOfValues = minimum;
        m_maxOfValues = maximum;
    }
    m_statsDirty = false;
}

void TChartValueList::refreshSums()
{
    double sum = 0.0, absSum = 0.0;
    const std::size_t n = m_values.size();
    if (n > 0) {
        const double first = m_values[0] * m_multiplier;
        sum = first;
        absSum = std::fabs(first);
        for (std::size_t i = 1; i < n; ++i) {
            const double v = m_values[i] * m_multiplier;
            sum += v;
            absSum += std::fabs(v);
        }
    }
    m_sumOfValues = sum;
    m_absSumOfValues = absSum;
    m_sumsDirty = false;
}

double TChartValueList::MaxOfValues()
{
    if (m_statsDirty)
        refreshExtremes();
    return m_maxOfValues;
}

double TChartValueList::MinOfValues()
{
    if (m_statsDirty)
        refreshExtremes();
    return m_minOfValues;
}

double TChartValueList::SumOfValues()
{
    if (m_sumsDirty)
        refreshSums();
    return m_sumOfValues;
}

double TChartValueList::AbsSumOfValues()
{
    if (m_sumsDirty)
        refreshSums();
    return m_absSumOfValues;
}
