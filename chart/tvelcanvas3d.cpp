#include "tvelcanvas3d.h"

#include <QPainter>
#include <algorithm>
#include <utility>

TVelCanvas3D::TVelCanvas3D()
{
    ResetState();
}

void TVelCanvas3D::SetWindowSurface(QImage *surface)
{
    m_window.SetImage(surface);
}

void TVelCanvas3D::SetOnSurfaceChanged(std::function<void(const QRect &)> handler)
{
    m_window.OnChanged = std::move(handler);
}

QImage *TVelCanvas3D::Surface() const
{
    if (m_target == &m_window)
        return m_window.Image();
    return m_target == &m_pass ? m_pass.Image() : nullptr;
}

void TVelCanvas3D::SetBuffered(bool value)
{
    if (m_buffered == value)
        return;
    m_buffered = value;
    if (!value) {
        m_buffer = QImage();
        m_outOfDate = true;
    }
}

TRect TVelCanvas3D::BeginPass(QImage &target, const TRect &rect)
{
    m_passImage = &target;
    m_passRect = rect;
    m_pass.UnClip();
    m_target = &m_pass;
    if (m_buffered) {
        const int w = std::max(rect.Width(), 1);
        const int h = std::max(rect.Height(), 1);
        if (m_buffer.width() != w || m_buffer.height() != h)
            m_buffer = QImage(w, h, QImage::Format_RGB32);
        m_pass.SetImage(&m_buffer);
        return TRect { 0, 0, rect.Width(), rect.Height() };
    }
    m_pass.SetImage(&target);
    return rect;
}

TRect TVelCanvas3D::BeginPass(CanvasTarget &target)
{
    m_passImage = nullptr;
    target.UnClip();
    m_target = &target;
    return target.Bounds();
}

void TVelCanvas3D::EndPass()
{
    m_target->Finish();
    m_target->UnClip();
    if (m_target == &m_pass && m_buffered && m_passImage != nullptr) {
        QImage &target = *m_passImage;
        if (m_passRect.Left == 0 && m_passRect.Top == 0 && target.size() == m_buffer.size()
            && target.format() == m_buffer.format()) {
            // Same size: a row-by-row copy keeps the target's own storage.
            for (int y = 0; y < m_buffer.height(); ++y)
                std::copy_n(m_buffer.constScanLine(y), m_buffer.bytesPerLine(), target.scanLine(y));
        } else {
            QPainter painter(&target);
            painter.setCompositionMode(QPainter::CompositionMode_Source);
            painter.drawImage(m_passRect.Left, m_passRect.Top, m_buffer);
        }
        m_outOfDate = false;
    }
    m_passImage = nullptr;
    m_pass.SetImage(nullptr);
    m_window.UnClip();
    m_target = &m_window;
}

void TVelCanvas3D::MoveTo(int x, int y)
{
    m_penX = x;
    m_penY = y;
}

void TVelCanvas3D::LineTo(int x, int y)
{
    const int x0 = m_penX, y0 = m_penY;
    m_penX = x;
    m_penY = y;
    m_target->Line(x0, y0, x, y, Pen);
}

void TVelCanvas3D::Rectangle(int x1, int y1, int x2, int y2)
{
    if (x1 > x2)
        std::swap(x1, x2);
    if (y1 > y2)
        std::swap(y1, y2);
    m_target->Rectangle(x1, y1, x2, y2, Pen, Brush);
}

void TVelCanvas3D::FillRect(const TRect &rect)
{
    m_target->Fill(rect, Brush.Color);
}

void TVelCanvas3D::TextOut(int x, int y, const QString &text)
{
    TextOutAligned(x, y, text, 0, -1, false);
}

void TVelCanvas3D::TextOutAligned(
    int x, int y, const QString &text, int angle, int hAlign, bool bottomAligned)
{
    m_target->Text(x, y, text, Font, FontColor, angle, hAlign, bottomAligned);
}

int TVelCanvas3D::TextWidth(const QString &text) const
{
    return m_target->TextWidth(text, Font);
}

int TVelCanvas3D::TextHeight(const QString &) const
{
    return m_target->TextHeight(Font);
}

void TVelCanvas3D::ClipRectangle(const TRect &rect)
{
    m_target->Clip(rect);
}

void TVelCanvas3D::UnClipRectangle()
{
    m_target->UnClip();
}

void TVelCanvas3D::ResetState()
{
    Pen = TPen {};
    Brush = TBrush {};
    FontColor = clBlack;
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(13); // 10 points at 96 dots per inch
    Font = font;
}
