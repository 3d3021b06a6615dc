#pragma once

// Marks a source text for lupdate without Qt: the text itself, collected into
// translations/peakhound_en.ts under its context. The same definition as Qt's, so the two agree
// where both are seen.
#ifndef QT_TRANSLATE_NOOP
#define QT_TRANSLATE_NOOP(scope, x) x
#endif
