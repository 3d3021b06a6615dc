#include "messagebox.h"

#include "language.h"
#include "qtstrings.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QString>
#include <QStyle>
#include <algorithm>

namespace
{

MessageBoxHook &hook()
{
    static MessageBoxHook instance;
    return instance;
}

// The messages break their lines with CR alone (or CR LF); the box's text layout breaks lines
// only at LF, so the shown copy gets LF in their place. Requests keep the text as written.
QString displayText(const std::string &text)
{
    QString shown = ToQString(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

// Wide enough for the title in the window's caption bar: the title in a bold caption font plus
// room for the frame's icon and buttons, so that the title is not elided in a small box.
int widthForTitle(const QString &title)
{
    QFont font = QApplication::font();
    font.setBold(true);
    constexpr int kFrameButtonsAndIcon = 160;
    return QFontMetrics(font).horizontalAdvance(title) + kFrameButtonsAndIcon;
}

// A text of more lines than this (a long list of rejected files) would push the OK button off
// the screen in a plain box; it is shown in a scrollable one instead.
constexpr int kMaxPlainLines = 30;
// The lines whose width sets the scrollable box's width.
constexpr int kMeasuredLines = 200;

void showScrollable(MessageBoxKind kind, const QString &title, const QString &text)
{
    QDialog dialog;
    dialog.setWindowTitle(title);
    auto *layout = new QGridLayout(&dialog);
    if (kind == MessageBoxKind::Error) {
        auto *icon = new QLabel(&dialog);
        const int size = dialog.style()->pixelMetric(QStyle::PM_MessageBoxIconSize);
        icon->setPixmap(
            dialog.style()->standardIcon(QStyle::SP_MessageBoxCritical).pixmap(size, size));
        layout->addWidget(icon, 0, 0, Qt::AlignTop);
    }
    // A read-only text view lays out only the lines in sight: a list of 200,000 files is up
    // in under a second, where a label measured every line first (ten seconds and more).
    auto *view = new QPlainTextEdit(&dialog);
    view->setReadOnly(true);
    view->setLineWrapMode(QPlainTextEdit::NoWrap);
    view->setFrameShape(QFrame::NoFrame);
    view->setPlainText(text);
    QPalette palette = view->palette();
    palette.setColor(QPalette::Base, dialog.palette().color(QPalette::Window));
    view->setPalette(palette);
    view->setAccessibleName(title);
    // As wide as the widest of the first lines (the sentence and the first names), as high as
    // the text, within two thirds of the screen's width and half its height.
    const QFontMetrics metrics(view->font());
    int widest = 0;
    int lines = 0;
    for (const QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        if (++lines <= kMeasuredLines)
            widest = std::max(widest, metrics.horizontalAdvance(line.toString()));
    }
    const QRect screen = dialog.screen()->availableGeometry();
    const int scrollBar = dialog.style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const int margins = 2 * static_cast<int>(view->document()->documentMargin()) + 4;
    view->setMinimumSize(std::min(widest + scrollBar + margins, screen.width() * 2 / 3),
        std::min(lines * metrics.lineSpacing() + margins, screen.height() / 2));
    layout->addWidget(view, 0, 1);
    dialog.setMinimumWidth(widthForTitle(title));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
    buttons->setCenterButtons(true);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    layout->addWidget(buttons, 1, 0, 1, 2);
    // Enter and Space answer the box, as in a plain one; Tab reaches the text to scroll it.
    QPushButton *ok = buttons->button(QDialogButtonBox::Ok);
    ok->setDefault(true);
    ok->setFocus();
    dialog.exec();
}

void show(MessageBoxKind kind, const std::string &text)
{
    // A message of the runtime (German in the code) in the user's language; the windows' own
    // texts come translated already and pass unchanged.
    const MessageBoxRequest request { kind, ApplicationTitle(), TranslatedMessage(text) };
    if (hook()) {
        hook()(request);
        return;
    }
    const QString shown = displayText(request.Text);
    if (shown.count(QLatin1Char('\n')) >= kMaxPlainLines) {
        showScrollable(kind, ToQString(request.Title), shown);
        return;
    }
    QMessageBox box(kind == MessageBoxKind::Error ? QMessageBox::Critical : QMessageBox::NoIcon,
        ToQString(request.Title), shown, QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    // The box sizes itself to its text; a spacer across its grid keeps it from going narrower.
    if (auto *grid = qobject_cast<QGridLayout *>(box.layout())) {
        grid->addItem(new QSpacerItem(widthForTitle(box.windowTitle()), 0, QSizePolicy::Minimum,
                          QSizePolicy::Fixed),
            grid->rowCount(), 0, 1, grid->columnCount());
    }
    box.exec();
}

} // namespace

std::string ApplicationTitle()
{
    return QCoreApplication::applicationName().toStdString();
}

void ShowMessage(const std::string &text)
{
    show(MessageBoxKind::Information, text);
}

void ShowErrorMessage(const std::string &text)
{
    show(MessageBoxKind::Error, text);
}

void SetMessageBoxHook(MessageBoxHook hook_)
{
    hook() = std::move(hook_);
}
