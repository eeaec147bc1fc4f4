#pragma once

#include <QStringView>

// Reads the number a text begins with, the way the old Windows runtime's text-to-number conversion
// does: blanks before it are skipped, then an optional sign, digits and an optional fraction.
// A text that does not begin with a number gives 0; "3" -> 3, " 3x" -> 3, "-1.5s" -> -1.5, "x" -> 0.
double leadingNumber(QStringView text);
