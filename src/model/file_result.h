#pragma once
// The outcome of writing one of the program's files. The core never shows it; the window that
// asked for the write does.
#include <QString>

struct FileResult {
  QString error;  // empty when written; otherwise names the file and the reason
  bool ok() const { return error.isEmpty(); }
  operator bool() const { return ok(); }
};
