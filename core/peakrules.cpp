#include "peakrules.h"

#include "peakfinder.h"

PeakRuleSettings PeakRuleInForce;
PeakStrengthData PeakStrengths;

void FindPeaksByRule(const SpectrumTableData &table, PeakListData &peaks,
    const PeakRuleSettings &rule, PeakStrengthData *strengths)
{
    if (rule.Rule == PeakRule::Sensitive) {
        FindSensitivePeaks(table, peaks, rule.From, rule.To, strengths);
        return;
    }
    FindPeaks(table, peaks);
    if (strengths != nullptr)
        MeasurePeakStrengths(table, peaks, *strengths);
}

void FindPeaksByRule(const double *x, const double *y, int n, PeakListData &peaks,
    const PeakRuleSettings &rule, PeakStrengthData *strengths)
{
    if (rule.Rule == PeakRule::Sensitive) {
        FindSensitivePeaks(x, y, n, peaks, rule.From, rule.To, strengths);
        return;
    }
    FindPeaks(y, n, peaks);
    if (strengths != nullptr)
        MeasurePeakStrengths(y, n, peaks, *strengths);
}
