#include "accessibility.h"

#include "controls.h"

#include <QAccessibleWidget>
#include <QLabel>
#include <QStringList>
#include <QVariant>
#include <QWidget>
#include <map>
#include <vector>

namespace
{

const char *const kRoleProperty = "peakhoundAccessibleRole";

using TextSource = std::function<QString()>;

// The texts given by SetAccessibleText, by control; a control's entries go with it.
std::map<const QObject *, std::map<QAccessible::Text, TextSource>> &textSources()
{
    static std::map<const QObject *, std::map<QAccessible::Text, TextSource>> sources;
    return sources;
}

// A control with a role of its own; a label keeps its caption as its name.
class RoledWidget : public QAccessibleWidget
{
public:
    RoledWidget(QWidget *widget, QAccessible::Role role)
        : QAccessibleWidget(widget, role)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        const auto control = textSources().find(widget());
        if (control != textSources().end()) {
            const auto source = control->second.find(t);
            if (source != control->second.end())
                return source->second();
        }
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty()) {
            if (const auto *label = qobject_cast<const QLabel *>(widget()))
                return label->text();
        }
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface *roleFactory(const QString &, QObject *object)
{
    if (object == nullptr || !object->isWidgetType())
        return nullptr;
    const QVariant role = object->property(kRoleProperty);
    if (!role.isValid())
        return nullptr;
    return new RoledWidget(
        static_cast<QWidget *>(object), static_cast<QAccessible::Role>(role.toInt()));
}

// The setter announces the change to assistive technology.
using TextSetter = void (QWidget::*)(const QString &);

void followLabels(QWidget *control, std::initializer_list<TLabel *> labels, TextSetter set)
{
    const std::vector<TLabel *> heads(labels);
    const auto update = [control, heads, set] {
        QStringList captions;
        for (const TLabel *label : heads)
            captions << label->Caption();
        (control->*set)(captions.join(QLatin1Char(' ')));
    };
    update();
    for (TLabel *label : heads)
        QObject::connect(label, &TLabel::CaptionChanged, control, update);
}

} // namespace

void NameAfterLabels(QWidget *control, std::initializer_list<TLabel *> labels)
{
    followLabels(control, labels, &QWidget::setAccessibleName);
}

void DescribeAfterLabels(QWidget *control, std::initializer_list<TLabel *> labels)
{
    followLabels(control, labels, &QWidget::setAccessibleDescription);
}

void SetAccessibleRole(QWidget *control, QAccessible::Role role)
{
    // Installed after the application's own factory, so it is asked first.
    static const bool installed = [] {
        QAccessible::installFactory(roleFactory);
        return true;
    }();
    (void)installed;
    control->setProperty(kRoleProperty, static_cast<int>(role));
    // An interface made before the role was set (an event sent while the control was built)
    // would keep the class's role; the next query makes a new one.
    QAccessibleInterface *made = QAccessible::queryAccessibleInterface(control);
    if (made != nullptr && made->role() != role)
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
}

void SetAccessibleText(QWidget *control, QAccessible::Text kind, std::function<QString()> text)
{
    auto &sources = textSources();
    if (sources.find(control) == sources.end())
        QObject::connect(control, &QObject::destroyed, [control] { textSources().erase(control); });
    sources[control][kind] = std::move(text);
}

void SetTabOrder(std::initializer_list<QWidget *> controls)
{
    QWidget *previous = nullptr;
    for (QWidget *control : controls) {
        if (previous != nullptr)
            QWidget::setTabOrder(previous, control);
        previous = control;
    }
}
