#include "project1.h"

#include "application.h"
#include "filesizelimit.h"
#include "guard.h"
#include "qtstrings.h"
#include "tform1.h"
#include "tform2.h"
#include "tform3.h"
#include "tform4.h"
#include "tmapview.h"
#include "tpeakanzeige.h"

#include <QApplication>
#include <QDir>
#include <QTranslator>
#include <cstdio>
#include <cstdlib>

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
    // The preferences window's library search runs over the main window's file list.
    Form3->OnLibrarySearch = [](const LibraryEntry &query) { Form1->LibrarySearch(query); };
}

void DestroyForms()
{
    destroyForm(MapView);
    destroyForm(Peakanzeige);
    destroyForm(Form4);
    destroyForm(Form3);
    destroyForm(Form2);
    destroyForm(Form1);
}

namespace
{

// Whether a window system is there to show the windows on, or a platform is chosen by hand; Qt
// itself aborts with a page of text about plugins when there is none.
bool displayAvailable()
{
    for (const char *variable : { "QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY" }) {
        const char *value = std::getenv(variable);
        if (value != nullptr && *value != '\0')
            return true;
    }
    return false;
}

} // namespace

UiLanguage LoadTranslations()
{
    const UiLanguage language = LanguageFromEnvironment();
    if (language == UiLanguage::German)
        return language;
    static QTranslator translator;
    const QString name = QStringLiteral("peakhound_en");
    const QStringList folders { QCoreApplication::applicationDirPath()
            + QStringLiteral("/../share/peakhound/translations"),
        QStringLiteral(PH_BUILD_TRANSLATIONS) };
    for (const QString &folder : folders)
        if (translator.load(name, QDir::cleanPath(folder))) {
            QCoreApplication::installTranslator(&translator);
            SetMessageLanguage(language);
            return language;
        }
    return UiLanguage::German;
}

void PrepareProcess()
{
    ReportFileSizeLimitAsWriteError();
}

int Project1(int &argc, char **argv)
{
    PrepareProcess();
    if (!displayAvailable()) {
        std::fputs(
            "peakhound: needs a display (neither DISPLAY nor WAYLAND_DISPLAY is set)\n", stderr);
        return 1;
    }
    QApplication application(argc, argv);
    SetApplicationTitle(kApplicationTitle);
    QGuiApplication::setDesktopFileName(QStringLiteral("peakhound"));
    LoadTranslations();
    CreateForms();
    // The task-bar entry of the main window carries the application title.
    Form1->setWindowIconText(ToQString(kApplicationTitle));
    Form1->show();
    const int result = QApplication::exec();
    DestroyForms();
    return result;
}
