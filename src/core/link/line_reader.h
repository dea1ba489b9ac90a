#pragma once
// The framing of every connection: what arrives in pieces goes out as whole lines. A line ends at
// LF; a CR right before the LF is part of the line end, a CR anywhere else is an ordinary character
// of the line. No line is kept growing past its bound: a longer one is handed on cut, once, as soon
// as it is known to be too long, and the rest of it is passed over up to its LF.
#include <QByteArray>
#include <QList>
#include <QString>

template <class Text>
class LineReader {
 public:
  struct Line {
    Text text;         // without its line end; a cut line holds its first `longest` characters
    bool cut = false;  // the line was longer than `longest`
  };

  explicit LineReader(qsizetype longest) : longest_(longest) {}

  // The lines that `more` completes, in order, and the start of every line found too long.
  QList<Line> read(const Text& more);
  // Forgets the start of a line waiting for its end; the next character starts a new line.
  void clear();

 private:
  qsizetype longest_;
  Text piece_;                // the start of a line without its LF yet
  bool passingOver_ = false;  // inside a line already handed on cut, until its LF
};

extern template class LineReader<QByteArray>;
extern template class LineReader<QString>;

// Splits off every byte up to and including the last `lineEnd`, as one piece, and leaves the rest
// (a line without its end) in `pending`; empty when `pending` holds no line end. The window
// program's chunks end at CR LF.
QByteArray takeCompleteLines(QByteArray& pending, QByteArrayView lineEnd = "\n");
