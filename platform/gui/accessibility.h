#pragma once

#include <QAccessible>
#include <functional>
#include <initializer_list>

class QWidget;
class TLabel;

// What assistive technology learns of the layouts' controls beyond what their widget classes
// report, and the order in which the keyboard reaches them. Nothing here changes what a window
// shows.

// Names a control after the labels that head it: their captions joined by blanks. The name
// follows every later change of a caption, and each change is announced.
void NameAfterLabels(QWidget *control, std::initializer_list<TLabel *> labels);

// The same for a control's description: the labels beside it that explain it.
void DescribeAfterLabels(QWidget *control, std::initializer_list<TLabel *> labels);

// Gives a control a role its widget class does not report (a panel is a grouping, the status
// label a status bar, the chart a graphic). Set before the control is first queried.
void SetAccessibleRole(QWidget *control, QAccessible::Role role);

// Gives a control with a role of its own (above) a text that is read when asked for, such as a
// chart's title as its name.
void SetAccessibleText(QWidget *control, QAccessible::Text kind, std::function<QString()> text);

// Chains the keyboard focus through the controls in the given order.
void SetTabOrder(std::initializer_list<QWidget *> controls);
