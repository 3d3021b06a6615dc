#include "programscene.h"

#include "application.h"
#include "controls.h"
#include "peakfile.h"
#include "project1.h"
#include "separators.h"
#include "spectrumtable.h"
#include "tform1.h"

#include <QDir>
#include <QEvent>
#include <QPushButton>
#include <QTest>
#include <utility>

ProgramScene::ProgramScene()
    : m_startDir(QDir::currentPath())
{
    SetApplicationTitle(kApplicationTitle);
    SetNumberSeparators({ '.', ',' });
    SetInstalledDataDirectory(folder.path("installed"));
    QDir::setCurrent(QString::fromStdString(folder.root()));
    SpectrumTable.SpectrumCount = 0;
    CreateForms();
    Form1->show();
}

ProgramScene::~ProgramScene()
{
    DestroyForms();
    QDir::setCurrent(m_startDir);
}

bool ProgramScene::shown() const
{
    return QTest::qWaitForWindowExposed(Form1);
}

QString ProgramScene::write(const std::string &name, const std::string &text) const
{
    return QString::fromStdString(folder.write(name, text));
}

QString ProgramScene::path(const std::string &name) const
{
    return QString::fromStdString(folder.path(name));
}

void ProgramScene::listFiles(const QStringList &files)
{
    script.answerDialog(files);
    QTest::mouseClick(Form1->Button1, Qt::LeftButton);
}

void ProgramScene::open(int index)
{
    DoubleClickEntry(Form1->ListBox1, index);
}

QStringList ProgramScene::takeBoxes()
{
    QStringList texts;
    for (const auto &box : script.boxes)
        texts << QString::fromStdString(box.Text);
    script.boxes.clear();
    return texts;
}

void ClickEntry(TListBox *list, int index)
{
    const QPoint at = list->visualItemRect(list->item(index)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
}

void DoubleClickEntry(TListBox *list, int index)
{
    ClickEntry(list, index);
    const QPoint at = list->visualItemRect(list->item(index)).center();
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

PaintWatch::PaintWatch(QWidget *widget, std::function<void()> onPaint)
    : m_widget(widget)
    , m_onPaint(std::move(onPaint))
{
    widget->installEventFilter(this);
}

bool PaintWatch::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_widget && event->type() == QEvent::Paint)
        m_onPaint();
    return false;
}
