#include "controls.h"
#include "tform1.h"

// Opening the viewer from the main window's lists. The display window takes the named entry;
// until the viewer is in place, a double click only fetches it, so that a click beside the
// entries reports the list's index error as it will then.

void TForm1::listbox1dblclik()
{
    (void)ListBox1->Item(ListBox1->ItemIndex());
}

void TForm1::malegrafik()
{
    (void)ListBox3->Item(ListBox3->ItemIndex());
}
