#include "tform3.h"

#include "application.h"
#include "controls.h"

#include <QCheckBox>
#include <QFrame>
#include <QPushButton>

TForm3 *Form3 = nullptr;

TForm3::TForm3()
{
    SetupWindow(this,
        { QStringLiteral("Display Preferences"), 815, 106, 202, 395, true, BorderStyle::Single });
    setAttribute(Qt::WA_QuitOnClose, false);

    // clang-format off
    Label1 = CreateLabel(this, {8, 24}, QStringLiteral("Abstand der Spektren"));
    Label2 = CreateLabel(this, {8, 40}, QStringLiteral("in Prozent des Maximalwertes"));
    Abstand = CreateEdit(this, {152, 32, 41, 21}, QStringLiteral("30"),
                         QStringLiteral("Bei mehreren Spektren gibt dieser Wert den Abstand der einzelnen Spektren an."));
    showtitle = CreateCheckBox(this, {9, 65, 16, 15}, true,
                               QStringLiteral("Titel in der Grafik mit anzeigen. Wenn mehrere Dateien angezeigt werden nicht sinnvoll."));
    Label3 = CreateLabel(this, {32, 64}, QStringLiteral("Titel anzeigen"), 13);
    showcrosshair = CreateCheckBox(this, {8, 88, 17, 17}, false);
    Label5 = CreateLabel(this, {32, 88}, QStringLiteral("Fadenkreuz anzeigen"), 13);
    Button1 = CreateButton(this, {112, 144, 81, 25}, QStringLiteral("Remove"),
                           QStringLiteral("Entfernt das ausgewählte Spektrum aus der Ansicht."));
    Label4 = CreateLabel(this, {0, 160}, QStringLiteral("Spektrum"));
    Edit1 = CreateEdit(this, {48, 160, 49, 21}, QString(), QStringLiteral("Nummer des angeklickten Spektrums."));
    Button3 = CreateButton(this, {112, 176, 81, 25}, QStringLiteral("excl. Remove"),
                           QStringLiteral("Entfernt alle ausser das ausgewählte Spektrum aus der Ansicht."));
    Button2 = CreateButton(this, {112, 232, 81, 25}, QStringLiteral("Reload"));
    Findepeaks = CreateButton(this, {8, 272, 81, 25}, QStringLiteral("Finde Peaks"));
    chgdata = CreateButton(this, {112, 272, 81, 25}, QStringLiteral("Daten ändern"),
                           QStringLiteral("Angezeigte Spektren hinzufügen, entfernen oder ordnen."));
    Panel1 = CreatePanel(this, {0, 304, 201, 41}, QStringLiteral("Buttons zum scrollen durch die Spektren."));
    lastspek = CreateButton(Panel1, {8, 8, 81, 25}, QStringLiteral("Last"),
                            QStringLiteral("Vorheriges Spektrum in  der Liste."));
    Nextspek = CreateButton(Panel1, {112, 8, 81, 25}, QStringLiteral("Next"),
                            QStringLiteral("Nächstes Spektrum in der Liste."));
    Panel2 = CreatePanel(this, {0, 352, 201, 41});
    savebmp = CreateButton(Panel2, {8, 8, 81, 25}, QStringLiteral("Save Picture"),
                           QStringLiteral("Specihere aktuelles Bild inder aktuellen Grösse als BMP ode WMF."));
    Close = CreateButton(Panel2, {112, 8, 81, 25}, QStringLiteral("Close"),
                         QStringLiteral("Schliesse die Displayansicht."));
    // clang-format on
}
