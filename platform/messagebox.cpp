#include "messagebox.h"

#include "qtstrings.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>

namespace {

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

void show(MessageBoxKind kind, const std::string &text)
{
    const MessageBoxRequest request { kind, ApplicationTitle(), text };
    if (hook()) {
        hook()(request);
        return;
    }
    QMessageBox box(kind == MessageBoxKind::Error ? QMessageBox::Critical : QMessageBox::NoIcon,
                    ToQString(request.Title), displayText(request.Text),
                    QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

} // namespace

std::string ApplicationTitle()
{
    return QCoreApplication::applicationName().toStdString();
}

void ShowMessage(const std::string &text) { show(MessageBoxKind::Information, text); }

void ShowErrorMessage(const std::string &text) { show(MessageBoxKind::Error, text); }

void SetMessageBoxHook(MessageBoxHook hook_) { hook() = std::move(hook_); }
