#include "tform2.h"

#include "application.h"

TForm2 *Form2 = nullptr;

TForm2::TForm2()
{
    SetupWindow(
        this, { QStringLiteral("Display"), 214, 106, 601, 422, false, BorderStyle::Sizeable });
    setAttribute(Qt::WA_QuitOnClose, false);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);
}
