#pragma once

#include "chartowner.h"
#include "charttypes.h"

#include <QFont>
#include <QString>
#include <QStringList>

class TVelCanvas3D;

// The small property objects of a chart (pens, brushes, fonts, titles, walls). Each is given
// its owner (the chart, or the series it belongs to) and passes every change on to it through
// the setter idiom of ChartOwner: only a different value is stored and invalidates.
class ChartPart : public ChartOwner
{
public:
    explicit ChartPart(ChartOwner *owner)
        : m_owner(owner)
    {
    }
    ChartOwner *Owner() const { return m_owner; }
    // Invalidates the owner, if there is one; the chart ignores this while it is being built.
    void Invalidate() override
    {
        if (m_owner != nullptr)
            m_owner->Invalidate();
    }

private:
    ChartOwner *m_owner;
};

class TChartPen : public ChartPart
{
public:
    explicit TChartPen(ChartOwner *owner, TColor color = clBlack, bool visible = true)
        : ChartPart(owner)
        , m_color(color)
        , m_visible(visible)
    {
    }
    TColor Color() const { return m_color; }
    void SetColor(TColor value) { SetProperty(m_color, value); }
    int Width() const { return m_width; }
    void SetWidth(int value) { SetProperty(m_width, value); }
    TPenStyle Style() const { return m_style; }
    void SetStyle(TPenStyle value) { SetProperty(m_style, value); }
    TPenMode Mode() const { return m_mode; }
    void SetMode(TPenMode value) { SetProperty(m_mode, value); }
    bool Visible() const { return m_visible; }
    void SetVisible(bool value) { SetProperty(m_visible, value); }

    // Becomes the canvas's pen: colour, style, mode and width; an invisible pen becomes clear.
    void ApplyTo(TVelCanvas3D &canvas) const;

private:
    TColor m_color;
    int m_width = 1;
    TPenStyle m_style = psSolid;
    TPenMode m_mode = pmCopy;
    bool m_visible;
};

class TChartBrush : public ChartPart
{
public:
    explicit TChartBrush(ChartOwner *owner, TColor color = clWhite, TBrushStyle style = bsSolid)
        : ChartPart(owner)
        , m_color(color)
        , m_style(style)
    {
    }
    TColor Color() const { return m_color; }
    void SetColor(TColor value) { SetProperty(m_color, value); }
    TBrushStyle Style() const { return m_style; }
    void SetStyle(TBrushStyle value) { SetProperty(m_style, value); }

private:
    TColor m_color;
    TBrushStyle m_style;
};

// A font as the chart describes it: family name, size in points (at 96 dots per inch), colour
// and weight.
class TChartFont : public ChartPart
{
public:
    explicit TChartFont(ChartOwner *owner);
    const QString &Name() const { return m_name; }
    void SetName(const QString &value) { SetProperty(m_name, value); }
    int Size() const { return m_size; }
    void SetSize(int value) { SetProperty(m_size, value); }
    TColor Color() const { return m_color; }
    void SetColor(TColor value) { SetProperty(m_color, value); }
    bool Bold() const { return m_bold; }
    void SetBold(bool value) { SetProperty(m_bold, value); }

    QFont ToQFont() const;

    static const QString &DefaultName();
    static constexpr int kDefaultSize = 8;

private:
    QString m_name;
    int m_size = kDefaultSize;
    TColor m_color = clBlack;
    bool m_bold = false;
};

// The chart's title (top) and foot (bottom): lines of text, drawn centred by default.
class TChartTitle : public ChartPart
{
public:
    explicit TChartTitle(ChartOwner *owner);

    // The lines. Every change of their contents invalidates the chart.
    const QStringList &Text() const { return m_text; }
    void SetText(const QStringList &value) { SetProperty(m_text, value); }
    void Clear();
    void Add(const QString &line);

    bool Visible() const { return m_visible; }
    void SetVisible(bool value) { SetProperty(m_visible, value); }
    TTitleAlignment Alignment() const { return m_alignment; }
    void SetAlignment(TTitleAlignment value) { SetProperty(m_alignment, value); }
    bool AdjustFrame() const { return m_adjustFrame; }
    void SetAdjustFrame(bool value) { SetProperty(m_adjustFrame, value); }

    TChartBrush Brush;
    TChartPen Frame;
    TChartFont Font;
    // The rectangle of the last drawing pass (for hit tests).
    TRect TitleRect;

private:
    QStringList m_text;
    bool m_visible = true;
    TTitleAlignment m_alignment = taCenter;
    bool m_adjustFrame = true;
};

class TChartAxisTitle : public ChartPart
{
public:
    TChartAxisTitle(ChartOwner *owner, int angle)
        : ChartPart(owner)
        , Font(owner)
        , m_angle(angle)
    {
    }
    const QString &Caption() const { return m_caption; }
    void SetCaption(const QString &value) { SetProperty(m_caption, value); }
    int Angle() const { return m_angle; }
    void SetAngle(int value) { SetProperty(m_angle, value); }

    TChartFont Font;

private:
    QString m_caption;
    int m_angle;
};

class TChartWall : public ChartPart
{
public:
    explicit TChartWall(ChartOwner *owner)
        : ChartPart(owner)
        , Brush(owner, clWhite, bsClear)
        , Pen(owner)
    {
    }
    TColor Color() const { return Brush.Color(); }
    void SetColor(TColor value) { Brush.SetColor(value); }
    int Size() const { return m_size; }
    void SetSize(int value) { SetProperty(m_size, value); }
    bool Dark3D() const { return m_dark3D; }
    void SetDark3D(bool value) { SetProperty(m_dark3D, value); }

    TChartBrush Brush;
    TChartPen Pen;

private:
    int m_size = 0;
    bool m_dark3D = true;
};
