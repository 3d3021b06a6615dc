#include "guard.h"

#include "language.h"
#include "messagebox.h"
#include "messages.h"
#include "translatable.h"

std::string ErrorBoxText(const std::string &message)
{
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.')
        return message + '.';
    return message;
}

void ShowException(const std::exception &error) noexcept
{
    try {
        ShowErrorMessage(ErrorBoxText(TranslatedMessage(error.what())));
    } catch (...) {
        // Showing the box failed (out of memory): the event loop must still go on.
    }
}

void ShowOutOfMemory() noexcept
{
    try {
        ShowErrorMessage(ErrorBoxText(TranslatedMessage(Messages::OutOfMemory)));
    } catch (...) {
    }
}

void ShowUnknownException() noexcept
{
    try {
        ShowErrorMessage(
            ErrorBoxText(TranslatedMessage(QT_TRANSLATE_NOOP("Messages", "Unbekannter Fehler"))));
    } catch (...) {
    }
}
