#pragma once

#include "sensitivepeaks.h"

#include <limits>

// The choice between the peak rules: the fixed rule of peakfinder.h and the sensitive rule of
// sensitivepeaks.h. The search, its report, the batch command, the library and the viewer's Finde
// Peaks all find peaks through it.

enum class PeakRule { Standard, Sensitive };

// The one setting that the search, the report, the batch command and the peak list all read.
struct PeakRuleSettings {
    PeakRule Rule = PeakRule::Standard;
    double From = kSensitiveDefaultFrom; // lower limit of x, inclusive (sensitive rule only)
    double To = std::numeric_limits<double>::infinity(); // upper limit of x, inclusive
};

// The peaks of the rule in force. For the fixed rule, strengths (when given) receive the
// prominences of its peaks measured the sensitive rule's way, so that both can be scored.
void FindPeaksByRule(const SpectrumTableData &table, PeakListData &peaks,
    const PeakRuleSettings &rule, PeakStrengthData *strengths = nullptr);

// The same for one spectrum in arrays of its own (see FindSensitivePeaks).
void FindPeaksByRule(const double *x, const double *y, int n, PeakListData &peaks,
    const PeakRuleSettings &rule, PeakStrengthData *strengths = nullptr);

// The rule in force for the program's windows: the main window's choice, which the search, its
// report and the viewer's Finde Peaks read; and the strengths of the peaks Finde Peaks found.
extern PeakRuleSettings PeakRuleInForce;
extern PeakStrengthData PeakStrengths;
