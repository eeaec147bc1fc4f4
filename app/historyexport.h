#pragma once

#include <QString>

// `Fernwatch --export-history`: every friend's periods as CSV on standard output, read from the list's
// database without writing it, so that it works while a Fernwatch runs on the same list. A list with no
// database yet has the header alone. Returns the exit code: 0, or 1 with a line on standard error.
int exportHistory(const QString& databasePath);
