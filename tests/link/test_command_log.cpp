// The command log on screen: rows as the operator reads them, and the newest always in view.
#include <QAccessible>
#include <QClipboard>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QStaticText>
#include <QtTest>

#include "core/link/command_log.h"
#include "gui/link/command_log.h"

namespace {

struct OwnLog {
  CommandLog entries;
};

// The view over a log of its own, which the test writes to as the link does.
class ShownLog : private OwnLog, public TCommandLog {
 public:
  ShownLog() : TCommandLog(&entries) {}
  void append(const QString& entry) { entries.append(entry); }
  void clear() { entries.clear(); }
};

}  // namespace

// In a list of entries between paints: the operator presses Page Up instead.
constexpr int kPageUp = -1;

class TestCommandLog : public QObject {
  Q_OBJECT
 private slots:
  // Views ask about the invalid index; the answer is nothing, without a warning on the output.
  void invalidIndexIsNoRow() {
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
    CommandLog model;
    QVERIFY(!model.data(QModelIndex()).isValid());
    model.append(QStringLiteral("Tx to server: #0xFF Get Name"));
    QVERIFY(!model.data(model.index(1)).isValid());
  }

  void rowsShowEntriesOnOneLine_data() {
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("shown");
    QTest::newRow("line end dropped") << "Tx to server: #0x03 Get X\r\n"
                                      << "Tx to server: #0x03 Get X";
    QTest::newRow("inner line ends") << "Rx from server: a\r\nb\r\n"
                                     << "Rx from server: a | b";
    QTest::newRow("lone CR and LF") << "a\rb\nc"
                                    << "a b c";
    QTest::newRow("plain") << "Client is disconnecting the server"
                           << "Client is disconnecting the server";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("very long") << QString(5000, u'x') << QString(4000, u'x') + QStringLiteral("...");
  }
  void rowsShowEntriesOnOneLine() {
    QFETCH(QString, entry);
    QFETCH(QString, shown);
    ShownLog log;
    log.append(QStringLiteral("first"));
    log.append(entry);
    QCOMPARE(log.count(), 2);
    QCOMPARE(log.text(1), shown);
  }

  void newestStaysInViewAndClearEmpties() {
    ShownLog log;
    log.resize(482, 108);
    log.show();
    QVERIFY(QTest::qWaitForWindowExposed(&log));
    QScrollBar* bar = log.verticalScrollBar();
    for (int i = 0; i < 200; ++i) log.append(QString::number(i));
    QCOMPARE(log.count(), 200);
    QVERIFY(bar->maximum() > 0);
    QCOMPARE(bar->value(), bar->maximum());
    QCOMPARE(bar->maximum() + bar->pageStep(), 200);  // the last row is the bottom one in view

    // The operator scrolls back with the keyboard; the next entry brings the end back.
    log.setFocus();
    QTest::keyClick(&log, Qt::Key_PageUp);
    QVERIFY(bar->value() < bar->maximum());
    log.append(QStringLiteral("next"));
    QCOMPARE(bar->value(), bar->maximum());
    QCOMPARE(log.text(log.count() - 1), QStringLiteral("next"));

    log.grab();  // paints the rows in view
    log.clear();
    QCOMPARE(log.count(), 0);
    QCOMPARE(bar->maximum(), 0);
    log.grab();
  }

  // What the window shows of the log must be the rows as they are now, however many entries came
  // between two paints (the first moves the drawn pixels, later ones repaint the rows in view), and
  // after the operator pages back.
  void screenShowsTheRowsAfterEntriesBetweenPaints_data() {
    QTest::addColumn<QList<int>>("entriesBetweenPaints");
    QTest::newRow("one at a time") << QList<int>{1, 1, 1, 1};
    QTest::newRow("three at a time, as in a scan") << QList<int>{3, 3, 3};
    QTest::newRow("mixed") << QList<int>{2, 1, 5, 1, 12, 1};
    QTest::newRow("paged back, then new entries") << QList<int>{kPageUp, kPageUp, 1, kPageUp, 3};
  }
  void screenShowsTheRowsAfterEntriesBetweenPaints() {
    QFETCH(QList<int>, entriesBetweenPaints);
    ShownLog log;
    log.resize(300, 108);
    for (int i = 0; i < 10; ++i) log.append(QStringLiteral("first %1").arg(i));
    log.show();
    QVERIFY(QTest::qWaitForWindowExposed(&log));
    QCoreApplication::processEvents();
    int n = 0;
    for (int count : entriesBetweenPaints) {
      if (count == kPageUp) QTest::keyClick(&log, Qt::Key_PageUp);
      for (int i = 0; i < count; ++i, ++n)
        log.append(QStringLiteral("Rx from server: #0x%1 Ret X:1=%2").arg(n).arg(n % 8));
      QCoreApplication::processEvents();
      const QImage screen = log.screen()->grabWindow(log.winId()).toImage().convertToFormat(QImage::Format_RGB32);
      const QRect area(log.viewport()->mapTo(&log, QPoint(0, 0)), log.viewport()->size());
      const QImage now = log.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
      QVERIFY2(screen.copy(area) == now, qPrintable(QStringLiteral("after entry %1").arg(n)));
    }
  }

  // A row is drawn from its words; what the operator sees must still be the entry laid out whole:
  // same spaces, same width, the ink starting and ending where the whole text's does.
  void rowsDrawLikeTheirWholeText_data() {
    QTest::addColumn<QString>("entry");
    QTest::newRow("request") << "Tx to server: #0x05 Get X";
    QTest::newRow("reply with a repeated word") << "Rx from server: #0x05 Ret X:1=7 | #0x06 Ret X:1=2";
    QTest::newRow("spaces in a row and at the start") << "  two  spaces   here";
    QTest::newRow("letters shaped whole")
        << QStringLiteral("Rx from server: \u041F\u0440\u0438\u0432\u0435\u0442 \u043C\u0438\u0440");
  }
  void rowsDrawLikeTheirWholeText() {
    QFETCH(QString, entry);
    ShownLog log;
    log.resize(900, 108);
    log.append(entry);
    log.append(entry);  // the second time its words are laid out already
    log.show();
    QVERIFY(QTest::qWaitForWindowExposed(&log));
    const QImage rows = log.viewport()->grab().toImage();
    const int rowHeight = log.visualRect(log.model()->index(0, 0)).height();
    QVERIFY(rowHeight > 0);

    QImage whole(rows.width(), rowHeight, rows.format());
    whole.fill(rows.pixel(rows.width() - 1, 0));
    {
      QPainter painter(&whole);
      painter.setFont(log.font());
      painter.setPen(log.palette().color(QPalette::Text));
      painter.drawText(QRect(0, 0, whole.width(), rowHeight), Qt::AlignLeft | Qt::AlignVCenter, entry);
    }
    // The columns that hold ink, against the row's background.
    const auto inkSpan = [](const QImage& image, int top, int height) {
      const QRgb background = image.pixel(image.width() - 1, top);
      int first = image.width(), last = -1;
      for (int y = top; y < top + height; ++y)
        for (int x = 0; x < image.width(); ++x)
          if (image.pixel(x, y) != background) {
            first = qMin(first, x);
            last = qMax(last, x);
          }
      return std::pair{first, last};
    };
    const auto [wholeFirst, wholeLast] = inkSpan(whole, 0, rowHeight);
    QVERIFY(wholeLast > wholeFirst);
    for (int row = 0; row < 2; ++row) {
      const auto [first, last] = inkSpan(rows, row * rowHeight, rowHeight);
      QVERIFY2(qAbs((last - first) - (wholeLast - wholeFirst)) <= 1,
               qPrintable(QStringLiteral("row %1 inks %2..%3, the whole text %4..%5")
                              .arg(row)
                              .arg(first)
                              .arg(last)
                              .arg(wholeFirst)
                              .arg(wholeLast)));
    }
  }

  // A row wider than the view is laid out only as far as it shows; it must still end exactly where
  // the whole row elided to the view's width does, with the ellipsis.
  void wideRowsElideLikeTheirWholeText_data() {
    QTest::addColumn<QString>("entry");
    QString chunk = QStringLiteral("Rx from server: ");
    for (int i = 0; i < 300; ++i)
      chunk += QStringLiteral("#0x%1 Ret X:1=%2\r\n").arg(i % 127 + 1, 2, 16, QLatin1Char('0')).arg(i % 8);
    QTest::newRow("a chunk of 300 replies") << chunk;
    QTest::newRow("one word longer than the view") << QStringLiteral("Rx from server: ") + QString(3000, u'x');
    QString marked;
    for (int i = 0; i < 400; ++i) marked += QStringLiteral("e\u0301 ");
    QTest::newRow("marks that shape across letters") << marked;
    QTest::newRow("longer than a row keeps") << QString(6000, u'w');
  }
  void wideRowsElideLikeTheirWholeText() {
    QFETCH(QString, entry);
    ShownLog log;
    log.resize(300, 60);
    log.append(entry);
    log.show();
    QVERIFY(QTest::qWaitForWindowExposed(&log));
    const QImage rows = log.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRect rowRect = log.visualRect(log.model()->index(0, 0));
    const QRgb background = rows.pixel(rows.width() - 1, rowRect.top());

    constexpr int kMargin = 3;
    const QFontMetrics metrics(log.font());
    const QString elided = metrics.elidedText(log.text(0), Qt::ElideRight, log.viewport()->width() - 2 * kMargin);
    QVERIFY(elided.endsWith(QChar(0x2026)));
    QImage expected(rows.width(), rowRect.height(), QImage::Format_RGB32);
    expected.fill(background);
    {
      QPainter painter(&expected);
      painter.setFont(log.font());
      painter.setPen(Qt::black);
      painter.drawStaticText(QPointF(kMargin, (rowRect.height() - metrics.height()) / 2.0), QStaticText(elided));
    }
    // Where ink is, whatever its colour.
    for (int y = 0; y < rowRect.height(); ++y)
      for (int x = 0; x < rows.width(); ++x) {
        const bool shown = rows.pixel(x, rowRect.top() + y) != background;
        const bool meant = expected.pixel(x, y) != background;
        QVERIFY2(shown == meant, qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));
      }
  }

  // Rows are picked with the keyboard and the mouse, and Ctrl+C copies them one a line, in row order.
  void selectAndCopy_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("copied");
    QTest::newRow("End then Up") << "up"
                                 << "Rx from server: #0x03 Ret X:1=5";
    QTest::newRow("Shift+Up twice") << "shift-up"
                                    << "Tx to server: #0x03 Get X\nRx from server: #0x03 Ret X:1=5\nlast";
    QTest::newRow("Home then Shift+Down") << "home"
                                          << "first\nTx to server: #0x03 Get X";
    QTest::newRow("click then Shift+click") << "click"
                                            << "first\nTx to server: #0x03 Get X\nRx from server: #0x03 Ret X:1=5";
    QTest::newRow("Ctrl+click picks rows apart") << "ctrl-click"
                                                 << "first\nlast";
  }
  void selectAndCopy() {
    QFETCH(QString, how);
    QFETCH(QString, copied);
    ShownLog log;
    log.resize(482, 108);
    for (const char* e : {"first", "Tx to server: #0x03 Get X\r\n", "Rx from server: #0x03 Ret X:1=5\r\n", "last"})
      log.append(QString::fromLatin1(e));
    log.show();
    QVERIFY(QTest::qWaitForWindowExposed(&log));
    log.activateWindow();
    log.setFocus();
    QWidget* rows = log.viewport();
    auto rowCentre = [&](int row) { return log.visualRect(log.model()->index(row, 0)).center(); };
    if (how == u"up") {
      QTest::keyClick(&log, Qt::Key_End);
      QTest::keyClick(&log, Qt::Key_Up);
    } else if (how == u"shift-up") {
      QTest::keyClick(&log, Qt::Key_End);
      QTest::keyClick(&log, Qt::Key_Up, Qt::ShiftModifier);
      QTest::keyClick(&log, Qt::Key_Up, Qt::ShiftModifier);
    } else if (how == u"home") {
      QTest::keyClick(&log, Qt::Key_Home);
      QTest::keyClick(&log, Qt::Key_Down, Qt::ShiftModifier);
    } else if (how == u"click") {
      QTest::mouseClick(rows, Qt::LeftButton, {}, rowCentre(0));
      QTest::mouseClick(rows, Qt::LeftButton, Qt::ShiftModifier, rowCentre(2));
    } else {
      QTest::mouseClick(rows, Qt::LeftButton, {}, rowCentre(3));
      QTest::mouseClick(rows, Qt::LeftButton, Qt::ControlModifier, rowCentre(0));
    }
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(&log, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), copied);
  }

  // A long log: the view answers from the row height, so the last rows are where they are drawn.
  void rowsOfALongLogAreReachable() {
    ShownLog log;
    log.resize(482, 108);
    log.show();
    QVERIFY(QTest::qWaitForWindowExposed(&log));
    for (int i = 0; i < 5000; ++i) log.append(QStringLiteral("entry %1").arg(i));
    QCoreApplication::processEvents();
    const QModelIndex newest = log.model()->index(4999, 0);
    const QRect r = log.visualRect(newest);
    QVERIFY(log.viewport()->rect().contains(r));
    QCOMPARE(log.indexAt(r.center()), newest);
    QTest::mouseClick(log.viewport(), Qt::LeftButton, {}, r.center());
    QCOMPARE(log.currentIndex(), newest);
    QTest::keyClick(&log, Qt::Key_Home);
    QCOMPARE(log.currentIndex().row(), 0);
    QCOMPARE(log.verticalScrollBar()->value(), 0);
    QCOMPARE(log.indexAt(QPoint(5, 1)).row(), 0);
  }

  // Assistive technology reads the log as a list whose children are the rows as shown.
  void rowsAreAccessible() {
    ShownLog log;
    log.setAccessibleName(QStringLiteral("Commands and response from controller"));
    log.resize(482, 108);
    log.show();
    QVERIFY(QTest::qWaitForWindowExposed(&log));
    log.append(QStringLiteral("#0xFF Get Name\r\n"));
    log.append(QStringLiteral("Rx from server: a\r\nb\r\n"));
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(&log);
    QVERIFY(list);
    QCOMPARE(list->role(), QAccessible::List);
    QCOMPARE(list->text(QAccessible::Name), QStringLiteral("Commands and response from controller"));
    QCOMPARE(list->childCount(), 2);
    QCOMPARE(list->child(0)->text(QAccessible::Name), QStringLiteral("#0xFF Get Name"));
    QCOMPARE(list->child(1)->text(QAccessible::Name), QStringLiteral("Rx from server: a | b"));
    QVERIFY(list->child(1)->rect().isValid());

    log.selectionModel()->select(log.model()->index(1, 0), QItemSelectionModel::ClearAndSelect);
    QVERIFY(list->child(1)->state().selected);
    QVERIFY(!list->child(0)->state().selected);
    log.clear();
    QCOMPARE(list->childCount(), 0);
  }
};

QTEST_MAIN(TestCommandLog)
#include "test_command_log.moc"
