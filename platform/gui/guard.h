#pragma once

#include <exception>
#include <new>
#include <string>
#include <utility>

// The one wall between program code and Qt. Every event handler runs through Guarded: an
// exception shows its message in the error box (titled with the application title, error icon,
// OK), the handler ends there without undoing what it did, and the event loop goes on. Nothing
// may unwind through a Qt frame.

// The text the error box shows: the message, with a full stop appended when its last character
// has a higher code than the full stop.
std::string ErrorBoxText(const std::string &message);

// Shows the error box for an exception that reached the guard. Running out of memory is a
// runtime error like the others, in words: "Zu wenig Arbeitsspeicher".
void ShowException(const std::exception &error) noexcept;
void ShowOutOfMemory() noexcept;
void ShowUnknownException() noexcept;

template <typename Fn> void Guarded(Fn &&fn) noexcept
{
    try {
        std::forward<Fn>(fn)();
    } catch (const std::bad_alloc &) {
        ShowOutOfMemory();
    } catch (const std::exception &error) {
        ShowException(error);
    } catch (...) {
        ShowUnknownException();
    }
}

// A callable for QObject::connect that runs a member handler through the guard:
//   connect(Button9, &QPushButton::clicked, this, guarded(this, &TForm1::Button9Click));
template <typename Obj, typename... Args> auto guarded(Obj *object, void (Obj::*handler)(Args...))
{
    return [object, handler](
               Args... args) { Guarded([&] { (object->*handler)(std::forward<Args>(args)...); }); };
}
