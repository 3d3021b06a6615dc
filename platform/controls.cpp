#include "controls.h"

#include "application.h"
#include "exceptions.h"
#include "guard.h"
#include "messages.h"
#include "numconv.h"
#include "qtstrings.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QPixmap>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QStyleFactory>
#include <QToolButton>
#include <climits>

// ---- TListBox

TListBox::TListBox(QWidget *parent, bool sorted, bool multiSelect)
    : QListWidget(parent)
    , m_sorted(sorted)
{
    setSelectionMode(
        multiSelect ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
}

bool TListBox::TextLess(const QString &left, const QString &right)
{
    return QString::compare(left, right, Qt::CaseInsensitive) < 0;
}

void TListBox::checkIndex(int index) const
{
    if (index < 0 || index >= count())
        throw EListError(FormatMessage(Messages::ListIndexError, index));
}

QString TListBox::Item(int index) const
{
    checkIndex(index);
    return item(index)->text();
}

QStringList TListBox::Items() const
{
    QStringList items;
    items.reserve(count());
    for (int i = 0; i < count(); ++i)
        items << item(i)->text();
    return items;
}

void TListBox::Add(const QString &text)
{
    if (!m_sorted) {
        addItem(text);
        return;
    }
    // After every entry that is not greater: equal entries keep the order of their adding.
    int low = 0;
    int high = count();
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (TextLess(text, item(middle)->text()))
            high = middle;
        else
            low = middle + 1;
    }
    insertItem(low, text);
}

void TListBox::Delete(int index)
{
    checkIndex(index);
    // Like a native list box: deleting the selected entry leaves none selected; deleting another
    // one keeps the selection on its entry.
    const bool selected = index == ItemIndex();
    delete takeItem(index);
    if (selected) {
        setCurrentRow(-1);
        clearSelection();
    }
}

void TListBox::Clear()
{
    clear();
}

int TListBox::ItemIndex() const
{
    const int row = currentRow();
    if (row < 0)
        return -1;
    if (selectionMode() == QAbstractItemView::SingleSelection && !item(row)->isSelected())
        return -1;
    return row;
}

void TListBox::SetItemIndex(int index)
{
    if (index < 0 || index >= count()) {
        setCurrentRow(-1);
        clearSelection();
        return;
    }
    setCurrentRow(index);
}

QItemSelectionModel::SelectionFlags TListBox::selectionCommand(
    const QModelIndex &index, const QEvent *event) const
{
    if (selectionMode() != QAbstractItemView::SingleSelection)
        return QListWidget::selectionCommand(index, event);
    // Like a native list box, the user cannot unselect the entry: a click beside the entries
    // keeps it, so that Remove and a double click there still take it, and a Ctrl-click selects.
    if (!index.isValid())
        return QItemSelectionModel::NoUpdate;
    const QItemSelectionModel::SelectionFlags command = QListWidget::selectionCommand(index, event);
    if (command.testFlag(QItemSelectionModel::Deselect))
        return QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
    return command;
}

void TListBox::mouseDoubleClickEvent(QMouseEvent *event)
{
    QListWidget::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        emit DblClick();
}

void TListBox::mousePressEvent(QMouseEvent *event)
{
    QListWidget::mousePressEvent(event);
    if (event->button() == Qt::LeftButton && itemAt(event->position().toPoint()) != nullptr)
        emit Click();
}

void TListBox::keyPressEvent(QKeyEvent *event)
{
    const int before = currentRow();
    QListWidget::keyPressEvent(event);
    if (currentRow() != before)
        emit Click();
}

// ---- TLabel

void TLabel::SetCaption(const QString &caption)
{
    setText(caption);
    adjustSize();
}

// ---- TEdit

void TEdit::keyPressEvent(QKeyEvent *event)
{
    for (const QChar key : event->text())
        emit KeyPress(key);
    QLineEdit::keyPressEvent(event);
}

// ---- TSpinEdit

namespace
{

constexpr int kSpinButtonWidth = 15;

} // namespace

TSpinEdit::TSpinEdit(QWidget *parent)
    : QWidget(parent)
    , m_edit(new QLineEdit(this))
    , m_up(new QToolButton(this))
    , m_down(new QToolButton(this))
{
    m_up->setArrowType(Qt::UpArrow);
    m_down->setArrowType(Qt::DownArrow);
    for (QToolButton *button : { m_up, m_down }) {
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
    }
    connect(m_up, &QToolButton::clicked, this, [this] { Guarded([this] { step(1); }); });
    connect(m_down, &QToolButton::clicked, this, [this] { Guarded([this] { step(-1); }); });
    m_edit->installEventFilter(this);
    setFocusProxy(m_edit);
}

int TSpinEdit::Value() const
{
    int value = 0;
    if (!TryStrToInt(ToStdString(m_edit->text()), value))
        return 0;
    return value;
}

void TSpinEdit::SetValue(int value)
{
    m_edit->setText(QString::number(value));
}

QString TSpinEdit::Text() const
{
    return m_edit->text();
}

void TSpinEdit::SetText(const QString &text)
{
    m_edit->setText(text);
}

void TSpinEdit::step(int delta)
{
    const long long value = static_cast<long long>(Value()) + delta;
    if (value > INT_MAX || value < INT_MIN)
        return;
    SetValue(static_cast<int>(value));
    m_edit->selectAll();
}

bool TSpinEdit::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_edit && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            Guarded([&] { step(key == Qt::Key_Up ? 1 : -1); });
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TSpinEdit::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    const int w = width();
    const int h = height();
    const int buttonWidth = std::min(kSpinButtonWidth, w / 2);
    m_edit->setGeometry(0, 0, w - buttonWidth, h);
    m_up->setGeometry(w - buttonWidth, 0, buttonWidth, h / 2);
    m_down->setGeometry(w - buttonWidth, h / 2, buttonWidth, h - h / 2);
}

// ---- Create functions

void SetFontHeight(QWidget *control, int fontHeight)
{
    if (fontHeight > 0)
        control->setFont(LayoutFont(QStringLiteral("MS Sans Serif"), fontHeight));
}

namespace
{

template <typename Control> Control *place(Control *control, QRect bounds, const QString &hint)
{
    control->setGeometry(bounds);
    if (!hint.isEmpty())
        control->setToolTip(hint);
    return control;
}

} // namespace

QPushButton *CreateButton(
    QWidget *parent, QRect bounds, const QString &caption, const QString &hint)
{
    auto *button = place(new QPushButton(caption, parent), bounds, hint);
    button->setAutoDefault(false);
    return button;
}

QPushButton *CreateGlyphButton(
    QWidget *parent, QRect bounds, const QImage &glyph, const QString &hint)
{
    auto *button = place(new QPushButton(parent), bounds, hint);
    button->setAutoDefault(false);
    button->setIcon(QIcon(QPixmap::fromImage(glyph)));
    button->setIconSize(glyph.size());
    return button;
}

TLabel *CreateLabel(QWidget *parent, QPoint at, const QString &caption, int fontHeight)
{
    auto *label = new TLabel(parent);
    SetFontHeight(label, fontHeight);
    label->move(at);
    label->SetCaption(caption);
    return label;
}

TEdit *CreateEdit(
    QWidget *parent, QRect bounds, const QString &text, const QString &hint, int fontHeight)
{
    auto *edit = place(new TEdit(text, parent), bounds, hint);
    SetFontHeight(edit, fontHeight);
    edit->setCursorPosition(0);
    return edit;
}

TListBox *CreateListBox(
    QWidget *parent, QRect bounds, bool sorted, const QString &hint, bool multiSelect)
{
    return place(new TListBox(parent, sorted, multiSelect), bounds, hint);
}

TSpinEdit *CreateSpinEdit(QWidget *parent, QRect bounds, int value, const QString &hint)
{
    auto *spin = place(new TSpinEdit(parent), bounds, hint);
    spin->Editor()->setToolTip(hint);
    spin->SetValue(value);
    return spin;
}

QCheckBox *CreateCheckBox(QWidget *parent, QRect bounds, bool checked, const QString &hint)
{
    auto *box = place(new QCheckBox(parent), bounds, hint);
    box->setChecked(checked);
    return box;
}

QFrame *CreateBevel(QWidget *parent, QRect bounds)
{
    auto *bevel = place(new QFrame(parent), bounds, QString());
    bevel->setFrameStyle(QFrame::Box | QFrame::Sunken);
    bevel->lower();
    return bevel;
}

QFrame *CreatePanel(QWidget *parent, QRect bounds, const QString &hint)
{
    // A lowered outer and a raised inner bevel: an etched line around the panel.
    auto *panel = place(new QFrame(parent), bounds, hint);
    panel->setFrameStyle(QFrame::Box | QFrame::Sunken);
    panel->setLineWidth(1);
    return panel;
}

QProgressBar *CreateProgressBar(QWidget *parent, QRect bounds, const QString &hint)
{
    auto *bar = place(new QProgressBar(parent), bounds, hint);
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setTextVisible(false);
    // The classic chunked bar: cheap to paint, which matters while a run repaints it at every
    // step without returning to the event loop.
    static QPointer<QStyle> classic;
    if (classic == nullptr && QCoreApplication::instance() != nullptr) {
        classic = QStyleFactory::create(QStringLiteral("Windows"));
        if (classic != nullptr)
            classic->setParent(QCoreApplication::instance());
    }
    if (classic != nullptr)
        bar->setStyle(classic);
    return bar;
}
