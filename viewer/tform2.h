#pragma once

#include <QWidget>

// The display window: holds the chart Chart1, which fills its client area. Hidden until a file
// is shown from one of the main window's lists.
class TForm2 : public QWidget
{
    Q_OBJECT

public:
    TForm2();
};

extern TForm2 *Form2;
