#include "tform4.h"

#include "application.h"
#include "controls.h"
#include "glyphs.h"

#include <QPushButton>

TForm4 *Form4 = nullptr;

TForm4::TForm4()
{
    SetupWindow(this,
        { QStringLiteral("Change Visible Data"), 236, 131, 694, 484, false,
            BorderStyle::Sizeable });
    setAttribute(Qt::WA_QuitOnClose, false);

    const QSize arrow(25, 29);
    const QSize triangle(20, 24);
    // clang-format off
    Label1 = CreateLabel(this, {8, 8}, QStringLiteral("Verfügbare Datensätze"), 16);
    ListBox1 = CreateListBox(this, {8, 32, 673, 161}, false,
                             QStringLiteral("Alle Datensätze aus der Originalliste."), true);
    Button2 = CreateButton(this, {208, 216, 73, 25}, QStringLiteral("Remove"),
                           QStringLiteral("Lösche einen angewählten Eintrag aus der Liste der anzuzeigenden Daten."));
    Button3 = CreateButton(this, {288, 216, 73, 25}, QStringLiteral("Clear"),
                           QStringLiteral("Lösche Liste der anzuzeigenden Daten."));
    BitBtn1 = CreateGlyphButton(this, {368, 200, 33, 41}, ArrowGlyph(GlyphDirection::Down, arrow),
                                QStringLiteral("Übertrage die angewählten Files in die Liste der anzuzeigenden Files."));
    Label2 = CreateLabel(this, {8, 224}, QStringLiteral("Angezeigte Datensätze"), 16);
    ListBox2 = CreateListBox(this, {8, 248, 641, 201}, false, QStringLiteral("Zur Zeit angezeigte Datensätze."));
    ganznochoben = CreateGlyphButton(this, {656, 272, 25, 33}, TriangleGlyph(GlyphDirection::Up, 2, triangle),
                                     QStringLiteral("Verschiebe angewählten Datensatz ganz nach oben."));
    Nachoben = CreateGlyphButton(this, {656, 312, 25, 33}, TriangleGlyph(GlyphDirection::Up, 1, triangle),
                                 QStringLiteral("Verschiebung des angewählten Datensatzes eins nach oben."));
    nachunten = CreateGlyphButton(this, {656, 352, 25, 33}, TriangleGlyph(GlyphDirection::Down, 1, triangle),
                                  QStringLiteral("Verschiebung des angewählten Datensatzes eins nach unten."));
    ganznachunten = CreateGlyphButton(this, {656, 392, 25, 33}, TriangleGlyph(GlyphDirection::Down, 2, triangle),
                                      QStringLiteral("Verschiebe angewählten Datensatz ganz nach unten."));
    // clang-format on
}
