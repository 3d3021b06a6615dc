#pragma once

#include <utility>

// What every settable thing of the chart (the chart, a series, an axis, a pen, a font) is told
// through when it changed: Invalidate marks the picture out of date. The chart does so; a series
// and a part pass it on to the owner they were given, so a part never needs the chart's header.
// SetProperty is the one setter idiom: compare, store, invalidate.
class ChartOwner
{
public:
    virtual ~ChartOwner() = default;
    virtual void Invalidate() = 0;

protected:
    // Stores value in member and invalidates when it differs; returns whether it did.
    template <typename T, typename V> bool SetProperty(T &member, V &&value)
    {
        if (member == value)
            return false;
        member = std::forward<V>(value);
        Invalidate();
        return true;
    }
};
