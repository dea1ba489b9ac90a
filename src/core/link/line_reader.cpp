#include "core/link/line_reader.h"

#include <utility>

namespace {

template <class Text>
struct LineEnd;
template <>
struct LineEnd<QByteArray> {
  static constexpr char lf = '\n', cr = '\r';
};
template <>
struct LineEnd<QString> {
  static constexpr char16_t lf = u'\n', cr = u'\r';
};

}  // namespace

template <class Text>
QList<typename LineReader<Text>::Line> LineReader<Text>::read(const Text& more) {
  using End = LineEnd<Text>;
  QList<Line> lines;
  qsizetype pos = 0;
  const qsizetype n = more.size();
  while (pos < n) {
    const qsizetype lf = more.indexOf(End::lf, pos);
    if (passingOver_) {
      if (lf < 0) break;
      passingOver_ = false;
      pos = lf + 1;
      continue;
    }
    if (lf < 0) {
      // Kept only up to the bound and a CR that may come before the LF; beyond it the line is cut now.
      const qsizetype room = longest_ + 1 - piece_.size();
      piece_.append(more.sliced(pos, qMin(n - pos, room)));
      const qsizetype length = piece_.size() - (piece_.endsWith(End::cr) ? 1 : 0);
      if (n - pos > room || length > longest_) {
        lines.append({piece_.first(longest_), true});
        piece_.clear();
        passingOver_ = true;
      }
      break;
    }
    // Only what is kept is copied: a flood within one read costs no copy of its own.
    const bool crBefore = lf > pos ? more.at(lf - 1) == End::cr : piece_.endsWith(End::cr);
    const qsizetype length = piece_.size() + (lf - pos) - (crBefore ? 1 : 0);
    const qsizetype kept = qMin(length, longest_);
    Text line = std::exchange(piece_, {});
    if (line.size() > kept)
      line.truncate(kept);
    else
      line.append(more.sliced(pos, kept - line.size()));
    pos = lf + 1;
    lines.append({std::move(line), length > longest_});
  }
  return lines;
}

template <class Text>
void LineReader<Text>::clear() {
  piece_.clear();
  passingOver_ = false;
}

template class LineReader<QByteArray>;
template class LineReader<QString>;

QByteArray takeCompleteLines(QByteArray& pending, QByteArrayView lineEnd) {
  const qsizetype at = pending.lastIndexOf(lineEnd);
  if (at < 0) return {};
  const qsizetype end = at + lineEnd.size();
  if (end == pending.size()) return std::exchange(pending, {});
  QByteArray complete = pending.first(end);
  pending.remove(0, end);
  return complete;
}
