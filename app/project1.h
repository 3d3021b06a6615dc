#pragma once

#include "language.h"

#include <string>

// The program body: the application object and its title, the five windows in their fixed
// order, the event loop until the main window closes.

extern const std::string kApplicationTitle; // "Peakhound 2"

int Project1(int &argc, char **argv);

// What the process needs before any window: a write beyond a file size limit becomes a write
// error the windows report, instead of a signal that ends the program with the user's lists.
void PrepareProcess();

// Loads the English translation of the windows and messages when the environment asks for English
// (LanguageFromEnvironment in language.h), from share/peakhound/translations beside the installed
// program or the build folder's translations/; German, the texts of the code, otherwise. Needs the
// application object, before the windows are created. Returns the language in force.
UiLanguage LoadTranslations();

// Creates Form1, Form2, Form3, Form4 and Peakanzeige in this order, all hidden; each global
// reference is set before its window's creation handler runs. Needs the application object.
void CreateForms();

// Destroys the windows in the reverse order and clears their references.
void DestroyForms();
