#pragma once

#include <QFont>
#include <QPoint>
#include <QRect>
#include <QString>
#include <string>

class QWidget;

// The application object's side of the windows: the title, the fonts of the layouts and the
// frames of the windows.

// The application title: the text of the task-bar entry and the title of every message box.
// Qt appends an explicitly set display name to every window title on some platforms, so the
// title is kept as the application name only and window captions read exactly as set.
void SetApplicationTitle(const std::string &title);

// A layout font: family and character height in pixels. Families that this system lacks are
// replaced by metrically close ones ("MS Sans Serif" and "Arial" by a Helvetica-like sans).
QFont LayoutFont(const QString &family, int pixelHeight, bool bold = false);

// The window font of the layouts: "MS Sans Serif" 8 pt, 11 pixels high.
QFont DefaultLayoutFont();

enum class BorderStyle {
    Sizeable, // resizable, with all frame buttons
    Single, // fixed size, system menu and minimise box only
};

struct WindowLayout {
    QString Caption;
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    bool ClientSize = true; // Width and Height give the client area, else the outer size
    BorderStyle Border = BorderStyle::Sizeable;
};

// The frame that the layouts' outer sizes include: 4-pixel borders and a caption bar, 8 pixels
// across and 27 down in all. Used to derive the client area from an outer size.
inline constexpr int kFrameWidth = 8;
inline constexpr int kFrameHeight = 27;

// Gives a top-level window its caption, position, size, border and the layout font. The window
// stays hidden. A stored position that would put part of the window (with its frame) off the
// available area of its screen is moved just enough to fit; the size stays.
void SetupWindow(QWidget *window, const WindowLayout &layout);

// The top-left corner nearest to the wanted one at which a window of the given outer bounds lies
// inside the available area; a window larger than the area keeps its top-left corner in it, so
// that its caption stays in reach.
QPoint FitOnScreen(const QRect &outer, const QRect &available);

// Sets a window's caption so that it reads exactly as given. Qt takes "[*]" in a window title
// for the unsaved-changes mark and hides it; a caption that names a file may contain it.
void SetCaption(QWidget *window, const QString &caption);
