#include "application.h"

#include "accessibility.h"
#include "qtstrings.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QStringList>
#include <QWidget>
#include <algorithm>

namespace
{

void installFontSubstitutions()
{
    static const bool installed = [] {
        const QStringList sans { QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
            QStringLiteral("Nimbus Sans"), QStringLiteral("Helvetica"),
            QStringLiteral("DejaVu Sans") };
        QFont::insertSubstitutions(QStringLiteral("Arial"), sans);
        QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
            QStringList { QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Arial") } + sans);
        return true;
    }();
    (void)installed;
}

} // namespace

void SetApplicationTitle(const std::string &title)
{
    QCoreApplication::setApplicationName(ToQString(title));
}

QFont LayoutFont(const QString &family, int pixelHeight, bool bold)
{
    installFontSubstitutions();
    QFont font(family);
    font.setPixelSize(pixelHeight);
    font.setBold(bold);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

QFont DefaultLayoutFont()
{
    return LayoutFont(QStringLiteral("MS Sans Serif"), 11);
}

void SetupWindow(QWidget *window, const WindowLayout &layout)
{
    Qt::WindowFlags flags = Qt::Window;
    if (layout.Border == BorderStyle::Single)
        flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
            | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;
    window->setWindowFlags(flags);
    // A plain widget reports itself as a client area, even as a window.
    SetAccessibleRole(window, QAccessible::Window);
    SetCaption(window, layout.Caption);
    window->setFont(DefaultLayoutFont());

    int width = layout.Width;
    int height = layout.Height;
    if (!layout.ClientSize) {
        width -= kFrameWidth;
        height -= kFrameHeight;
    }
    if (layout.Border == BorderStyle::Single)
        window->setFixedSize(width, height);
    else
        window->resize(width, height);

    QPoint position(layout.Left, layout.Top);
    const QScreen *screen = QGuiApplication::screenAt(position);
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    if (screen != nullptr) {
        const QRect outer(position, QSize(width + kFrameWidth, height + kFrameHeight));
        position = FitOnScreen(outer, screen->availableGeometry());
    }
    window->move(position);
}

QPoint FitOnScreen(const QRect &outer, const QRect &available)
{
    QPoint position = outer.topLeft();
    if (position.x() + outer.width() > available.x() + available.width())
        position.setX(available.x() + available.width() - outer.width());
    if (position.y() + outer.height() > available.y() + available.height())
        position.setY(available.y() + available.height() - outer.height());
    position.setX(std::max(position.x(), available.x()));
    position.setY(std::max(position.y(), available.y()));
    return position;
}

void SetCaption(QWidget *window, const QString &caption)
{
    // A doubled mark is shown as one.
    QString escaped = caption;
    escaped.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
    const bool changed = escaped != window->windowTitle();
    window->setWindowTitle(escaped);
    // Qt does not announce a new title to assistive technology itself.
    if (changed) {
        QAccessibleEvent event(window, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    }
}
