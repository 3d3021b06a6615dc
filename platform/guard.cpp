#include "guard.h"

#include "messagebox.h"

std::string ErrorBoxText(const std::string &message)
{
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.')
        return message + '.';
    return message;
}

void ShowException(const std::exception &error) noexcept
{
    try {
        ShowErrorMessage(ErrorBoxText(error.what()));
    } catch (...) {
        // Showing the box failed (out of memory): the event loop must still go on.
    }
}

void ShowUnknownException() noexcept
{
    try {
        ShowErrorMessage(ErrorBoxText("Unbekannter Fehler"));
    } catch (...) {
    }
}
