// Command files of any content, with and without byte-order marks: decoded lines hold no line
// breaks, and writing the lines back in the file's own encoding reads back the same lines.
#include <QByteArray>

#include <cstdint>
#include <cstdlib>

#include "core/storage/command_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const CommandFile file = decodeCommandFile(bytes);
  for (const QString& line : file.lines)
    if (line.contains(u'\r') || line.contains(u'\n')) std::abort();
  const QString text = file.lines.join(u'\n') + (file.lines.isEmpty() ? QString() : QStringLiteral("\n"));
  const CommandFile again = decodeCommandFile(encodeCommandFile(text, file.encoding));
  if (again.encoding != file.encoding && !file.lines.isEmpty()) std::abort();
  if (again.lines != file.lines) std::abort();
  return 0;
}
