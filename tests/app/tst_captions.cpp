#include "controls.h"
#include "programscene.h"
#include "project1.h"
#include "tform1.h"
#include "tform2.h"
#include "tform3.h"
#include "tform4.h"
#include "tpeakanzeige.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <algorithm>
#include <memory>

// What a user reads on the controls: every caption whole, in the face the layouts were made for
// (Arial metrics, installed as Liberation Sans with the program's packages), in the language the
// environment chooses (ctest runs this under an English and two German locales).
class tst_Captions : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { m_language = LoadTranslations(); }
    void init() { m_scene = std::make_unique<ProgramScene>(); }
    void cleanup() { m_scene.reset(); }
    void captionsUseTheLayoutFace();
    void everyCaptionFitsItsControl();
    void captionsAndMessagesInTheChosenLanguage();

private:
    UiLanguage m_language = UiLanguage::German;
    std::unique_ptr<ProgramScene> m_scene;
};

namespace
{

const QString kLayoutFace = QStringLiteral("Liberation Sans");
// The pixel a glyph's ink box gains on each side from being rounded outward.
constexpr int kRoundedInk = 1;

QList<QWidget *> windows()
{
    return { Form1, Form2, Form3, Form4, Peakanzeige };
}

QString caption(const QWidget *control)
{
    if (const auto *button = qobject_cast<const QAbstractButton *>(control))
        return button->text();
    if (const auto *label = qobject_cast<const QLabel *>(control))
        return label->text();
    return {};
}

QList<QWidget *> captioned()
{
    QList<QWidget *> controls;
    for (QWidget *window : windows())
        for (QWidget *control : window->findChildren<QWidget *>())
            if (!caption(control).isEmpty())
                controls << control;
    return controls;
}

QString describe(const QWidget *control)
{
    return QStringLiteral("%1 \"%2\"").arg(control->window()->windowTitle(), caption(control));
}

// The rectangle the style draws a button's caption into, in the button's coordinates.
QRect captionRect(const QAbstractButton *button)
{
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    QStyle::SubElement element = QStyle::SE_PushButtonContents;
    if (qobject_cast<const QCheckBox *>(button))
        element = QStyle::SE_CheckBoxContents;
    else if (qobject_cast<const QRadioButton *>(button))
        element = QStyle::SE_RadioButtonContents;
    return button->style()->subElementRect(element, &option, button);
}

// The captions cut off by their control (or, for a label, by the window holding it).
QStringList cutCaptions()
{
    QStringList cut;
    for (const QWidget *control : captioned()) {
        const QString text = caption(control);
        const QFontMetrics metrics(control->font());
        // The pen advances by the caption's width; the ink may reach beyond it on either side,
        // by more than the one pixel column that rounding the glyph outlines outward adds.
        const QRect ink = metrics.tightBoundingRect(text);
        const int advance = metrics.size(Qt::TextShowMnemonic, text).width();
        const int width = std::max(advance, ink.right() + 1 - kRoundedInk)
            - std::min(0, ink.left() + kRoundedInk);
        const int inkHeight = ink.height() - kRoundedInk;
        QRect room;
        if (const auto *button = qobject_cast<const QAbstractButton *>(control))
            room = captionRect(button);
        else
            room = control->contentsRect();
        if (width > room.width() || inkHeight > room.height())
            cut << QStringLiteral("%1: %2 x %3 in %4 x %5")
                       .arg(describe(control))
                       .arg(width)
                       .arg(inkHeight)
                       .arg(room.width())
                       .arg(room.height());
        const QRect inWindow(control->mapTo(control->window(), QPoint(0, 0)), control->size());
        if (!control->window()->rect().contains(inWindow))
            cut << describe(control) + QStringLiteral(": beyond the window's edge");
    }
    return cut;
}

} // namespace

void tst_Captions::captionsUseTheLayoutFace()
{
    QVERIFY(m_scene->shown());
    const QList<QWidget *> controls = captioned();
    QVERIFY(controls.size() > 30);
    for (const QWidget *control : controls)
        QVERIFY2(QFontInfo(control->font()).family() == kLayoutFace,
            qPrintable(describe(control) + QStringLiteral(" is drawn in ")
                + QFontInfo(control->font()).family()
                + QStringLiteral(" (install fonts-liberation: tools/install-deps.sh run)")));
}

void tst_Captions::everyCaptionFitsItsControl()
{
    // GIVEN the windows as they start
    QVERIFY(m_scene->shown());
    QStringList cut = cutCaptions();
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QStringLiteral("; "))));
    // WHEN the inverse mode changes the mode's captions THEN they fit too
    QTest::mouseClick(Form1->CheckBox1, Qt::LeftButton);
    QVERIFY(Form1->CheckBox1->isChecked());
    cut = cutCaptions();
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QStringLiteral("; "))));
}

void tst_Captions::captionsAndMessagesInTheChosenLanguage()
{
    QVERIFY(m_scene->shown());
    const bool english = LanguageFromEnvironment() == UiLanguage::English;
    // The English translation is found and loaded where the environment asks for it.
    QCOMPARE(m_language == UiLanguage::English, english);
    const auto pick = [english](const char *german, const char *inEnglish) {
        return QString::fromUtf8(english ? inEnglish : german);
    };
    QCOMPARE(Form1->Label3->text(), pick("Maximale Abweichung", "Tolerance"));
    QCOMPARE(Form1->Label6->text(), pick("Maximal fehlende Peaks", "Missing peaks at most"));
    QCOMPARE(Form1->Button1->text(), QStringLiteral("Add"));
    QCOMPARE(Form3->windowTitle(), pick("Display Preferences", "Display"));
    QCOMPARE(Form3->Label1->text(), pick("Abstand der Spektren", "Spectrum spacing"));
    QCOMPARE(Peakanzeige->close->text(), pick("Schliesse", "Close"));
    QCOMPARE(Form1->ListBox1->toolTip(),
        pick("Liste der zu durchsuchenen Files.", "The files to search."));
    // The viewer's boxes, its own and a refusal of the runtime's (German in the code), reach
    // the user in the chosen language.
    QTest::mouseClick(Form3->Nextspek, Qt::LeftButton);
    Form3->Edit1->setText(QStringLiteral("5"));
    QTest::mouseClick(Form3->Button1, Qt::LeftButton);
    QCOMPARE(m_scene->takeBoxes(),
        QStringList({ pick("Ende der Liste", "End of the list"),
            pick("Es wird kein Spektrum angezeigt.", "No spectrum is shown.") }));
}

QTEST_MAIN(tst_Captions)
#include "tst_captions.moc"
