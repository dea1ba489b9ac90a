#pragma once
// The outcome of writing (or reading) one of the program's files. The core never shows it; the
// window or front end that asked for it does.
#include <QString>

struct FileResult {
  QString error;  // empty when written; otherwise names the file and the reason
  bool ok() const { return error.isEmpty(); }
  operator bool() const { return ok(); }
};
