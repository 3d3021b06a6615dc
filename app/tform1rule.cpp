#include "accessibility.h"
#include "controls.h"
#include "guard.h"
#include "numconv.h"
#include "numformat.h"
#include "qtstrings.h"
#include "separators.h"
#include "tform1.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>

// The choice of peak rule and the order of the results: controls in the free space right of
// the start button and of the result list, after the existing ones in the Tab order.

void TForm1::setupPeakRule()
{
    // clang-format off
    RuleLabel = CreateLabel(this, {616, 248}, tr("Peakregel"));
    PeakRuleBox = new QComboBox(this);
    PeakRuleBox->setGeometry(704, 244, 105, 22);
    PeakRuleBox->addItems({ tr("Standard"), tr("Empfindlich") });
    PeakRuleBox->setToolTip(tr("Standard: Peaks über 10 % des Maximums. Empfindlich: Peaks deutlich über dem Rauschen, ohne Spikes."));
    FromLabel = CreateLabel(this, {616, 280}, tr("ab x [1/cm]"));
    FromEdit = CreateEdit(this, {704, 276, 57, 22}, QStringLiteral("100"), tr("Die empfindliche Regel sucht erst ab diesem x (Laserlinie und Filterkante bleiben draussen)."));
    SortByScore = CreateCheckBox(this, {616, 340, 17, 17}, false, tr("Die gefundenen Files nach der Güte der Übereinstimmung ordnen."));
    SortByScore->setText(tr("nach Güte sortieren"));
    SortByScore->resize(180, 17);
    EachSpectrum = CreateCheckBox(this, {616, 316, 17, 17}, false, tr("Jedes Spektrum einer Datei prüfen (Serien, Linienscans, Karten); eine Datei wird ausgewählt, wenn eines ihrer Spektren passt."));
    EachSpectrum->setText(tr("Jedes Spektrum"));
    EachSpectrum->resize(180, 17);
    RuleUsedLabel = CreateLabel(this, {616, 364}, QString());
    RuleUsedLabel->setToolTip(tr("Die Peakregel der letzten Suche."));
    // clang-format on
    PeakRuleBox->setAccessibleDescription(RuleLabel->text());
    NameAfterLabels(FromEdit, { FromLabel });
    connect(PeakRuleBox, qOverload<int>(&QComboBox::currentIndexChanged), this,
        guarded(this, &TForm1::PeakRuleBoxChange));
    SetTabOrder({ ListBox3, PeakRuleBox, FromEdit, EachSpectrum, SortByScore });
}

void TForm1::PeakRuleBoxChange()
{
    PeakRuleInForce.Rule =
        PeakRuleBox->currentIndex() == 1 ? PeakRule::Sensitive : PeakRule::Standard;
}

PeakRuleSettings TForm1::ChosenPeakRule()
{
    PeakRuleBoxChange();
    if (PeakRuleInForce.Rule == PeakRule::Sensitive)
        PeakRuleInForce.From = StrToFloat(ToStdString(FromEdit->text()), CurrentSeparators());
    return PeakRuleInForce;
}

void TForm1::showRuleUsed(const PeakRuleSettings &rule, bool sorted)
{
    QString text = rule.Rule == PeakRule::Sensitive
        ? tr("Regel: Empfindlich ab %1 1/cm")
              .arg(ToQString(FormatFixed(rule.From, 0, 1, CurrentSeparators())))
        : tr("Regel: Standard");
    if (sorted)
        text += tr(", nach Güte");
    RuleUsedLabel->SetCaption(text);
}
