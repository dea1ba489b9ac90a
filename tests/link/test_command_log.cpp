// The command log on screen: rows as the operator reads them, and the newest always in view.
#include <QScrollBar>
#include <QtTest>

#include "link/command_log.h"

class TestCommandLog : public QObject {
  Q_OBJECT
 private slots:
  void rowsShowEntriesOnOneLine_data() {
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("shown");
    QTest::newRow("line end dropped") << "Tx to server: #0x03 Get X\r\n" << "Tx to server: #0x03 Get X";
    QTest::newRow("inner line ends") << "Rx from server: a\r\nb\r\n" << "Rx from server: a | b";
    QTest::newRow("lone CR and LF") << "a\rb\nc" << "a b c";
    QTest::newRow("plain") << "Client is disconnecting the server" << "Client is disconnecting the server";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("very long") << QString(5000, u'x') << QString(4000, u'x') + QStringLiteral("...");
  }
  void rowsShowEntriesOnOneLine() {
    QFETCH(QString, entry);
    QFETCH(QString, shown);
    TCommandLog log;
    log.append(QStringLiteral("first"));
    log.append(entry);
    QCOMPARE(log.count(), 2);
    QCOMPARE(log.text(1), shown);
  }

  void newestStaysInViewAndClearEmpties() {
    TCommandLog log;
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
};

QTEST_MAIN(TestCommandLog)
#include "test_command_log.moc"
