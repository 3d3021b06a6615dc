#pragma once

#include <functional>
#include <string>

class QWidget;

// Message boxes go through here, so that tests can answer them.
enum class MessageBoxKind { Information, Error };

struct MessageBoxRequest {
    MessageBoxKind Kind = MessageBoxKind::Information;
    std::string Title; // UTF-8
    std::string Text; // UTF-8
};

// Shows a modal box with an OK button, titled with the application title, and waits for OK.
void ShowMessage(const std::string &text);
void ShowErrorMessage(const std::string &text);

// Tests install a hook that receives every box instead of the screen; an empty hook restores the
// real boxes. The hook returns when the box would have been closed.
using MessageBoxHook = std::function<void(const MessageBoxRequest &)>;
void SetMessageBoxHook(MessageBoxHook hook);

// The application title (the task bar's text), used as every message box's title.
std::string ApplicationTitle();
