#include "project1.h"

#include "application.h"
#include "guard.h"
#include "qtstrings.h"
#include "tform1.h"
#include "tform2.h"
#include "tform3.h"
#include "tform4.h"
#include "tpeakanzeige.h"

#include <QApplication>

const std::string kApplicationTitle = "Peakhound 2";

namespace
{

// Builds a window from its layout, then sets its global reference.
template <typename Form> void createForm(Form *&reference)
{
    reference = new Form();
}

template <typename Form> void destroyForm(Form *&reference)
{
    delete reference;
    reference = nullptr;
}

} // namespace

void CreateForms()
{
    createForm(Form1);
    Guarded([] { Form1->FormCreate(); });
    createForm(Form2);
    createForm(Form3);
    createForm(Form4);
    createForm(Peakanzeige);
}

void DestroyForms()
{
    destroyForm(Peakanzeige);
    destroyForm(Form4);
    destroyForm(Form3);
    destroyForm(Form2);
    destroyForm(Form1);
}

int Project1(int &argc, char **argv)
{
    QApplication application(argc, argv);
    SetApplicationTitle(kApplicationTitle);
    QGuiApplication::setDesktopFileName(QStringLiteral("peakhound"));
    CreateForms();
    // The task-bar entry of the main window carries the application title.
    Form1->setWindowIconText(ToQString(kApplicationTitle));
    Form1->show();
    const int result = QApplication::exec();
    DestroyForms();
    return result;
}
