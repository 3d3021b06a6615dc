#include "messagebox.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>

namespace {

MessageBoxHook &hook()
{
    static MessageBoxHook instance;
    return instance;
}

void show(MessageBoxKind kind, const std::string &text)
{
    const MessageBoxRequest request { kind, ApplicationTitle(), text };
    if (hook()) {
        hook()(request);
        return;
    }
    QMessageBox box(kind == MessageBoxKind::Error ? QMessageBox::Critical : QMessageBox::NoIcon,
                    QString::fromStdString(request.Title), QString::fromStdString(request.Text),
                    QMessageBox::Ok);
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
