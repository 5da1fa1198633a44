// translate.h - message texts handed to the application, translated
// through the "Lang" section of "qxlang.ini".
#ifndef QX_TRANSLATE_H
#define QX_TRANSLATE_H

// Returns the translation of text, or text itself when there is none.
// The returned pointer stays valid for the rest of the process (or as long
// as text does).  The language file is read once, on the first call.
const char* TranslateText(const char* text);

// Test support: drop the table so that the next call searches again.
void resetLanguageTableForTesting();

#endif  // QX_TRANSLATE_H
