#include "controls.h"

#include "accessibility.h"
#include "application.h"
#include "exceptions.h"
#include "messages.h"
#include "numconv.h"
#include "qtstrings.h"

#include <QAccessible>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QStyleFactory>
#include <algorithm>
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

void TListBox::SetHeading(const QString &text)
{
    if (text.isEmpty()) {
        delete m_heading;
        m_heading = nullptr;
        setViewportMargins(0, 0, 0, 0);
        setAccessibleDescription(QString());
        return;
    }
    if (m_heading == nullptr) {
        m_heading = new QLabel(this);
        m_heading->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        m_heading->setIndent(2);
        QFont bold = m_heading->font();
        bold.setBold(true);
        m_heading->setFont(bold);
    }
    m_heading->setText(text);
    setAccessibleDescription(text);
    setViewportMargins(0, m_heading->sizeHint().height(), 0, 0);
    placeHeading();
    m_heading->show();
}

QString TListBox::Heading() const
{
    return m_heading != nullptr ? m_heading->text() : QString();
}

void TListBox::resizeEvent(QResizeEvent *event)
{
    QListWidget::resizeEvent(event);
    placeHeading();
}

void TListBox::placeHeading()
{
    if (m_heading == nullptr)
        return;
    const QRect inside = contentsRect();
    m_heading->setGeometry(inside.left(), inside.top(), inside.width(), viewportMargins().top());
}

bool TListBox::TextLess(const QString &left, const QString &right)
{
    return QString::compare(left, right, Qt::CaseInsensitive) < 0;
}

void TListBox::checkIndex(int index) const
{
    if (index < 0 || index >= count())
        ThrowListIndexError(index);
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
    // Enter does what a double click does: it opens the entry.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        emit DblClick();
        return;
    }
    const int before = currentRow();
    QListWidget::keyPressEvent(event);
    if (currentRow() != before)
        emit Click();
}

void TListBox::focusInEvent(QFocusEvent *event)
{
    const bool hadCurrent = currentIndex().isValid();
    QListWidget::focusInEvent(event);
    // Qt makes the first entry current, unselected, when the keyboard brings the focus to a list
    // without one: the list would show an entry that Remove and Enter do not take, and an arrow
    // key could not select it. With no current entry, the first arrow key selects the first one.
    if (!hadCurrent && selectionMode() == QAbstractItemView::SingleSelection && ItemIndex() < 0)
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
}

// ---- TLabel

void TLabel::SetCaption(const QString &caption)
{
    setText(caption);
    adjustSize();
    emit CaptionChanged();
}

// ---- TEdit

void TEdit::keyPressEvent(QKeyEvent *event)
{
    for (const QChar key : event->text())
        emit KeyPress(key);
    QLineEdit::keyPressEvent(event);
}

// ---- TSpinEdit

TSpinEdit::TSpinEdit(QWidget *parent)
    : QAbstractSpinBox(parent)
{
    // Every change of the text is a change of the value for assistive technology.
    connect(lineEdit(), &QLineEdit::textChanged, this, [this] {
        QAccessibleValueChangeEvent event(this, Value());
        QAccessible::updateAccessibility(&event);
    });
}

int TSpinEdit::Value() const
{
    int value = 0;
    if (!TryStrToInt(ToStdString(lineEdit()->text()), value))
        return 0;
    return value;
}

void TSpinEdit::SetValue(int value)
{
    lineEdit()->setText(QString::number(value));
}

QString TSpinEdit::Text() const
{
    return lineEdit()->text();
}

void TSpinEdit::SetText(const QString &text)
{
    lineEdit()->setText(text);
}

// Any text may be typed and stays as typed; it is read when the value is needed.
QValidator::State TSpinEdit::validate(QString &, int &) const
{
    return QValidator::Acceptable;
}

void TSpinEdit::fixup(QString &) const { }

void TSpinEdit::stepBy(int steps)
{
    const long long value = std::clamp(static_cast<long long>(Value()) + steps,
        static_cast<long long>(INT_MIN), static_cast<long long>(INT_MAX));
    SetValue(static_cast<int>(value));
    selectAll();
}

QAbstractSpinBox::StepEnabled TSpinEdit::stepEnabled() const
{
    if (isReadOnly())
        return StepNone;
    const int value = Value();
    StepEnabled enabled = StepNone;
    if (value < INT_MAX)
        enabled |= StepUpEnabled;
    if (value > INT_MIN)
        enabled |= StepDownEnabled;
    return enabled;
}

// ---- Create functions

void SetFontHeight(QWidget *control, int fontHeight)
{
    if (fontHeight > 0)
        control->setFont(LayoutFont(QStringLiteral("MS Sans Serif"), fontHeight));
}

namespace
{

// Enter and Return click the button that has the focus. The buttons are not auto-default ones,
// which would give them the look of a default button and click them from other controls.
class ClickOnEnter : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key != Qt::Key_Return && key != Qt::Key_Enter)
            return false;
        static_cast<QAbstractButton *>(watched)->click();
        return true;
    }
};

template <typename Button> Button *clickOnEnter(Button *button)
{
    button->installEventFilter(new ClickOnEnter(button));
    return button;
}

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
    return clickOnEnter(button);
}

QPushButton *CreateGlyphButton(
    QWidget *parent, QRect bounds, const QImage &glyph, const QString &hint)
{
    auto *button = place(new QPushButton(parent), bounds, hint);
    button->setAutoDefault(false);
    button->setIcon(QIcon(QPixmap::fromImage(glyph)));
    button->setIconSize(glyph.size());
    button->setAccessibleName(hint);
    return clickOnEnter(button);
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
    spin->SetValue(value);
    return spin;
}

QCheckBox *CreateCheckBox(QWidget *parent, QRect bounds, bool checked, const QString &hint)
{
    auto *box = place(new QCheckBox(parent), bounds, hint);
    box->setChecked(checked);
    return clickOnEnter(box);
}

QFrame *CreateBevel(QWidget *parent, QRect bounds)
{
    auto *bevel = place(new QFrame(parent), bounds, QString());
    bevel->setFrameStyle(QFrame::Box | QFrame::Sunken);
    bevel->lower();
    // Only a line around other controls, not a frame window.
    SetAccessibleRole(bevel, QAccessible::Separator);
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
