#pragma once

#include <QString>

// Texts on the screen are cut to a length a person can read: a damaged or hand-made list file may hold
// a nickname of millions of characters, and laying out all of it would stall the window for seconds.
// What is stored stays whole; only what is shown is cut.
constexpr qsizetype displayTextLimit = 200;

// `text` itself when it is at most displayTextLimit characters long; otherwise its beginning, never
// ending in half a surrogate pair, followed by "…".
QString displayText(const QString& text);
