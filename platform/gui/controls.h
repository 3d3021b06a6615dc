#pragma once

#include <QAbstractSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <climits>

class QCheckBox;
class QFrame;
class QImage;
class QProgressBar;
class QPushButton;
class QResizeEvent;

// The controls of the window layouts, on Qt widgets, with the behaviour the program's handlers
// rely on. Each window builds its controls with the Create functions below, one line per
// control, from its layout table.

// A list box. A sorted one keeps its entries in case-insensitive text order: entries are
// compared by QString::compare with Qt::CaseInsensitive (Unicode case folding, then code
// points), so "1000" stands before "650", an empty entry stands first, and an entry equal to an
// existing one goes after it. Index errors raise EListError.
class TListBox : public QListWidget
{
    Q_OBJECT

public:
    TListBox(QWidget *parent, bool sorted, bool multiSelect = false);

    // items
    int Count() const { return count(); }
    QString Item(int index) const; // raises the list index error outside 0 .. Count() - 1
    QStringList Items() const;
    void Add(const QString &text);
    void Delete(int index);
    void Clear();

    // selection: the selected entry (the current one in a multiple-selection list), or -1
    int ItemIndex() const;
    void SetItemIndex(int index);

    bool Sorted() const { return m_sorted; }

    // The position a sorted list gives a new entry.
    static bool TextLess(const QString &left, const QString &right);

    // A heading inside the list's frame, above its entries (which move down by a line); an
    // empty text removes it. The heading also describes the list to assistive technology.
    void SetHeading(const QString &text);
    QString Heading() const;

signals:
    void DblClick(); // a left double click anywhere in the list, entry or not, or Enter
    void Click(); // the user chose an entry with the mouse or the keyboard

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    QItemSelectionModel::SelectionFlags selectionCommand(
        const QModelIndex &index, const QEvent *event = nullptr) const override;

    void resizeEvent(QResizeEvent *event) override;

private:
    void checkIndex(int index) const;
    void placeHeading();

    bool m_sorted;
    QLabel *m_heading = nullptr;
};

// A label that sizes itself to its caption.
class TLabel : public QLabel
{
    Q_OBJECT

public:
    using QLabel::QLabel;
    QString Caption() const { return text(); }
    void SetCaption(const QString &caption);

signals:
    void CaptionChanged(); // after SetCaption, also when the caption stays the same
};

// An edit field that reports every character typed (Enter as "\r") before it is entered.
class TEdit : public QLineEdit
{
    Q_OBJECT

public:
    using QLineEdit::QLineEdit;

signals:
    void KeyPress(QChar key);

protected:
    void keyPressEvent(QKeyEvent *event) override;
};

// A spin edit without bounds. Its value is the integer written in the field; text that is not
// an integer counts as 0. Any text may stand in the field; the arrows, the arrow keys, Page Up /
// Page Down and the wheel step the value and stop at the 32-bit limits. Assistive technology sees
// a spin button with that value.
class TSpinEdit : public QAbstractSpinBox
{
    Q_OBJECT
    Q_PROPERTY(int value READ Value WRITE SetValue)
    Q_PROPERTY(int minimum READ Minimum CONSTANT)
    Q_PROPERTY(int maximum READ Maximum CONSTANT)
    Q_PROPERTY(int stepSize READ StepSize CONSTANT)

public:
    explicit TSpinEdit(QWidget *parent);

    int Value() const;
    void SetValue(int value);
    QString Text() const;
    void SetText(const QString &text);

    static int Minimum() { return INT_MIN; }
    static int Maximum() { return INT_MAX; }
    static int StepSize() { return 1; }

    QLineEdit *Editor() const { return lineEdit(); }

    QValidator::State validate(QString &input, int &pos) const override;
    void fixup(QString &input) const override;
    void stepBy(int steps) override;

protected:
    StepEnabled stepEnabled() const override;
};

// The Create functions: bounds are left, top, width, height in pixels relative to the parent; a
// font height of 0 keeps the window's font, any other is the character height in pixels. Enter
// clicks a focused button or check box, as Space does; a glyph button is named by its hint for
// assistive technology.
QPushButton *CreateButton(
    QWidget *parent, QRect bounds, const QString &caption, const QString &hint = QString());
QPushButton *CreateGlyphButton(
    QWidget *parent, QRect bounds, const QImage &glyph, const QString &hint = QString());
TLabel *CreateLabel(QWidget *parent, QPoint at, const QString &caption, int fontHeight = 0);
TEdit *CreateEdit(QWidget *parent, QRect bounds, const QString &text,
    const QString &hint = QString(), int fontHeight = 0);
TListBox *CreateListBox(QWidget *parent, QRect bounds, bool sorted, const QString &hint = QString(),
    bool multiSelect = false);
TSpinEdit *CreateSpinEdit(
    QWidget *parent, QRect bounds, int value, const QString &hint = QString());
QCheckBox *CreateCheckBox(
    QWidget *parent, QRect bounds, bool checked, const QString &hint = QString());
QFrame *CreateBevel(QWidget *parent, QRect bounds);
QFrame *CreatePanel(QWidget *parent, QRect bounds, const QString &hint = QString());
QProgressBar *CreateProgressBar(QWidget *parent, QRect bounds, const QString &hint = QString());

// The layout font of the given character height, in the window font's family.
void SetFontHeight(QWidget *control, int fontHeight);
