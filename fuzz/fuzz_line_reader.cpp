// Arbitrary bytes from a connection, in arbitrary pieces, into the line reader. However the bytes are
// cut into pieces, the lines are those of a plain reading of the whole, for bytes and for text alike.
#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>
#include <cstdlib>

#include "core/link/line_reader.h"
#include "core/model/codepage.h"

namespace {

struct Plain {
  QByteArray text;
  bool cut;
  bool operator==(const Plain&) const = default;
};

// Every line of the whole input: split at LF, one CR before it dropped, longer lines cut, and an
// unfinished last line cut once it is too long however it ends.
QList<Plain> plainReading(const QByteArray& all, qsizetype longest) {
  QList<Plain> lines;
  qsizetype start = 0;
  for (qsizetype lf; (lf = all.indexOf('\n', start)) >= 0; start = lf + 1) {
    QByteArray line = all.mid(start, lf - start);
    if (line.endsWith('\r')) line.chop(1);
    lines.append({line.left(longest), line.size() > longest});
  }
  const QByteArray rest = all.mid(start);
  if (rest.size() - (rest.endsWith('\r') ? 1 : 0) > longest) lines.append({rest.left(longest), true});
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const qsizetype longest = 1 + data[0] % 64;
  const qsizetype step = 1 + data[1] % 16;
  const QByteArray all(reinterpret_cast<const char*>(data) + 2, qsizetype(size) - 2);

  LineReader<QByteArray> bytes(longest);
  LineReader<QString> text(longest);
  QList<Plain> read;
  for (qsizetype at = 0; at < all.size(); at += step) {
    const QByteArray piece = all.mid(at, step);
    const auto byteLines = bytes.read(piece);
    const auto textLines = text.read(codepage::decode(piece));
    if (byteLines.size() != textLines.size()) std::abort();
    for (qsizetype i = 0; i < byteLines.size(); ++i) {
      const auto& line = byteLines[i];
      if (line.text.size() > longest || line.text.contains('\n')) std::abort();
      if (textLines[i].cut != line.cut || textLines[i].text != codepage::decode(line.text)) std::abort();
      read.append({line.text, line.cut});
    }
  }
  if (read != plainReading(all, longest)) std::abort();
  return 0;
}
