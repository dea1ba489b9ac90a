// The framing every connection shares: pieces as they arrive in, whole lines out, the bound kept.
#include <QtTest>

#include "core/link/line_reader.h"

namespace {

using Lines = QList<QByteArray>;  // a cut line shown as "CUT:" and its start

template <class Text>
Lines readAll(LineReader<Text>& reader, const Lines& pieces) {
  Lines lines;
  for (const QByteArray& piece : pieces) {
    Text more;
    if constexpr (std::is_same_v<Text, QString>)
      more = QString::fromLatin1(piece);
    else
      more = piece;
    for (const auto& line : reader.read(more)) {
      QByteArray text;
      if constexpr (std::is_same_v<Text, QString>)
        text = line.text.toLatin1();
      else
        text = line.text;
      lines.append(line.cut ? "CUT:" + text : text);
    }
  }
  return lines;
}

}  // namespace

class TestLineReader : public QObject {
  Q_OBJECT
 private slots:
  void linesFromPieces_data() {
    QTest::addColumn<Lines>("pieces");
    QTest::addColumn<Lines>("lines");  // with a bound of 8
    QTest::newRow("CR LF and LF") << Lines{"a\r\nb\n"} << Lines{"a", "b"};
    QTest::newRow("empty lines") << Lines{"\n\r\n"} << Lines{"", ""};
    QTest::newRow("a lone CR is part of the line") << Lines{"a\rb\n", "\r"} << Lines{"a\rb"};
    QTest::newRow("two CRs: the last is the line end's") << Lines{"ab\r\r\n"} << Lines{"ab\r"};
    QTest::newRow("no line end yet") << Lines{"#0x03 Re"} << Lines{};
    QTest::newRow("a line over several pieces") << Lines{"12", "34", "5\r", "\n6"} << Lines{"12345"};
    QTest::newRow("at the bound") << Lines{"12345678\r\n"} << Lines{"12345678"};
    QTest::newRow("at the bound, its CR in a piece of its own") << Lines{"12345678", "\r", "\n"} << Lines{"12345678"};
    QTest::newRow("one over, in one read") << Lines{"123456789\nok\n"} << Lines{"CUT:12345678", "ok"};
    QTest::newRow("one over, told before its end; the rest passed over")
        << Lines{"123456789", "abc", "def\r\nok\n"} << Lines{"CUT:12345678", "ok"};
    QTest::newRow("a CR at the bound that is no line end")
        << Lines{"12345678\r", "x\nok\n"} << Lines{"CUT:12345678", "ok"};
    QTest::newRow("a flood in one piece")
        << Lines{QByteArray(100000, 'x') + "\r\n" + "ok\r\n"} << Lines{"CUT:xxxxxxxx", "ok"};
  }
  // Both kinds of text frame alike: the controller link's decoded chunks and a socket's bytes.
  void linesFromPieces() {
    QFETCH(Lines, pieces);
    QFETCH(Lines, lines);
    LineReader<QByteArray> bytes(8);
    QCOMPARE(readAll(bytes, pieces), lines);
    LineReader<QString> text(8);
    QCOMPARE(readAll(text, pieces), lines);
  }

  void clearForgetsTheStartOfALine() {
    LineReader<QByteArray> reader(8);
    QCOMPARE(readAll(reader, {"stranger"}), Lines{});
    reader.clear();
    QCOMPARE(readAll(reader, {"reply\r\n"}), Lines{"reply"});
    // Cleared inside a line already cut: the next byte starts a line, as after a line end.
    QCOMPARE(readAll(reader, {"123456789"}), Lines{"CUT:12345678"});
    reader.clear();
    QCOMPARE(readAll(reader, {"reply\n"}), Lines{"reply"});
  }

  void completeLinesAsOnePiece_data() {
    QTest::addColumn<QByteArray>("pending");
    QTest::addColumn<QByteArray>("complete");
    QTest::addColumn<QByteArray>("left");
    QTest::newRow("nothing") << QByteArray() << QByteArray() << QByteArray();
    QTest::newRow("no line end") << QByteArray("#0x03 Ret") << QByteArray() << QByteArray("#0x03 Ret");
    QTest::newRow("a lone CR ends nothing") << QByteArray("a\r") << QByteArray() << QByteArray("a\r");
    QTest::newRow("whole lines") << QByteArray("a\r\nb\n") << QByteArray("a\r\nb\n") << QByteArray();
    QTest::newRow("lines and the start of one")
        << QByteArray("a\r\nb\r\nc") << QByteArray("a\r\nb\r\n") << QByteArray("c");
  }
  void completeLinesAsOnePiece() {
    QFETCH(QByteArray, pending);
    QTEST(takeCompleteLines(pending), "complete");
    QTEST(pending, "left");
  }
};

QTEST_GUILESS_MAIN(TestLineReader)
#include "test_line_reader.moc"
