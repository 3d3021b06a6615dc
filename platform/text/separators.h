#pragma once

// The decimal and thousands separators of the user's locale. They are read once from the
// environment (LC_ALL, then LC_NUMERIC, then LANG); a locale that gives none falls back to a
// point and a comma. Conversion and formatting use the same pair. Tests set them explicitly.
struct NumberSeparators {
    char Decimal = '.';
    char Thousands = ',';
};

// The separators in effect: those set by SetNumberSeparators, else the environment's.
const NumberSeparators &CurrentSeparators();

// Overrides the environment's separators for the rest of the process (tests, tools).
void SetNumberSeparators(NumberSeparators separators);

// The separators the environment asks for, looked up afresh (without the override).
NumberSeparators SeparatorsFromEnvironment();

// The separators for a locale name such as "de_DE.UTF-8"; exposed for tests.
NumberSeparators SeparatorsForLocaleName(const char *name);
