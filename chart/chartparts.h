#pragma once

#include "charttypes.h"

#include <QFont>
#include <QString>
#include <QStringList>

class TChart;

// The small property objects of a chart (pens, brushes, fonts, titles, walls). Each keeps a
// reference to its chart and follows the chart's setter rule: a setter compares, and only a
// different value is stored and invalidates the chart.
class ChartPart
{
public:
    explicit ChartPart(TChart *chart)
        : m_chart(chart)
    {
    }
    TChart *ParentChart() const { return m_chart; }
    // For parts of a series, which may move between charts.
    void SetParentChart(TChart *chart) { m_chart = chart; }

protected:
    // Invalidates the chart, if there is one; the chart ignores this while it is being built.
    void Changed() const;

    template <typename T> void assign(T &field, const T &value)
    {
        if (field == value)
            return;
        field = value;
        Changed();
    }

private:
    TChart *m_chart;
};

class TChartPen : public ChartPart
{
public:
    explicit TChartPen(TChart *chart, TColor color = clBlack, bool visible = true)
        : ChartPart(chart)
        , m_color(color)
        , m_visible(visible)
    {
    }
    TColor Color() const { return m_color; }
    void SetColor(TColor value) { assign(m_color, value); }
    int Width() const { return m_width; }
    void SetWidth(int value) { assign(m_width, value); }
    TPenStyle Style() const { return m_style; }
    void SetStyle(TPenStyle value) { assign(m_style, value); }
    TPenMode Mode() const { return m_mode; }
    void SetMode(TPenMode value) { assign(m_mode, value); }
    bool Visible() const { return m_visible; }
    void SetVisible(bool value) { assign(m_visible, value); }

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
    explicit TChartBrush(TChart *chart, TColor color = clWhite, TBrushStyle style = bsSolid)
        : ChartPart(chart)
        , m_color(color)
        , m_style(style)
    {
    }
    TColor Color() const { return m_color; }
    void SetColor(TColor value) { assign(m_color, value); }
    TBrushStyle Style() const { return m_style; }
    void SetStyle(TBrushStyle value) { assign(m_style, value); }

private:
    TColor m_color;
    TBrushStyle m_style;
};

// A font as the chart describes it: family name, size in points (at 96 dots per inch), colour
// and weight.
class TChartFont : public ChartPart
{
public:
    explicit TChartFont(TChart *chart);
    const QString &Name() const { return m_name; }
    void SetName(const QString &value) { assign(m_name, value); }
    int Size() const { return m_size; }
    void SetSize(int value) { assign(m_size, value); }
    TColor Color() const { return m_color; }
    void SetColor(TColor value) { assign(m_color, value); }
    bool Bold() const { return m_bold; }
    void SetBold(bool value) { assign(m_bold, value); }

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
    explicit TChartTitle(TChart *chart);

    // The lines. Every change of their contents invalidates the chart.
    const QStringList &Text() const { return m_text; }
    void SetText(const QStringList &value) { assign(m_text, value); }
    void Clear();
    void Add(const QString &line);

    bool Visible() const { return m_visible; }
    void SetVisible(bool value) { assign(m_visible, value); }
    TTitleAlignment Alignment() const { return m_alignment; }
    void SetAlignment(TTitleAlignment value) { assign(m_alignment, value); }
    bool AdjustFrame() const { return m_adjustFrame; }
    void SetAdjustFrame(bool value) { assign(m_adjustFrame, value); }

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
    TChartAxisTitle(TChart *chart, int angle)
        : ChartPart(chart)
        , Font(chart)
        , m_angle(angle)
    {
    }
    const QString &Caption() const { return m_caption; }
    void SetCaption(const QString &value) { assign(m_caption, value); }
    int Angle() const { return m_angle; }
    void SetAngle(int value) { assign(m_angle, value); }

    TChartFont Font;

private:
    QString m_caption;
    int m_angle;
};

class TChartWall : public ChartPart
{
public:
    explicit TChartWall(TChart *chart)
        : ChartPart(chart)
        , Brush(chart, clWhite, bsClear)
        , Pen(chart)
    {
    }
    TColor Color() const { return Brush.Color(); }
    void SetColor(TColor value) { Brush.SetColor(value); }
    int Size() const { return m_size; }
    void SetSize(int value) { assign(m_size, value); }
    bool Dark3D() const { return m_dark3D; }
    void SetDark3D(bool value) { assign(m_dark3D, value); }

    TChartBrush Brush;
    TChartPen Pen;

private:
    int m_size = 0;
    bool m_dark3D = true;
};
