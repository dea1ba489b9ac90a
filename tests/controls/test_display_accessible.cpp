// What a screen reader learns of a seven-segment display: its name, the value it shows, and a
// value change told at once, then at most once per interval with the last value.
#include <QAccessible>
#include <QAccessibleTextInterface>
#include <QAccessibleValueInterface>
#include <QLineEdit>
#include <QtTest>

#include "gui/controls/accessibility.h"
#include "gui/controls/seven_seg.h"

namespace {

struct Told {
  QObject* display;
  QString value;
};
QList<Told> told;

void record(QAccessibleEvent* event) {
  if (event->type() == QAccessible::ValueChanged)
    told.append({event->object(), static_cast<QAccessibleValueChangeEvent*>(event)->value().toString()});
}

}  // namespace

class TestDisplayAccessible : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    told.clear();
    accessibility::setEventSink(record);
  }
  void cleanup() { accessibility::setEventSink(nullptr); }

  void reportsWhatItShows() {
    TSevenSeg ss;
    ss.setAccessibleName(QStringLiteral("Position"));
    ss.setCaption(QStringLiteral("0A"));
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&ss);
    QVERIFY(iface);
    QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("Position"));
    QCOMPARE(iface->text(QAccessible::Value), QStringLiteral("0A"));
    QVERIFY(iface->valueInterface());
    QCOMPARE(iface->valueInterface()->currentValue().toString(), QStringLiteral("0A"));
    ss.setCaption(QStringLiteral("FF"));
    QCOMPARE(iface->text(QAccessible::Value), QStringLiteral("FF"));
  }

  // A reader reviewing the window, or meeting the display by Tab, reads the text it shows: "0A",
  // not the number 0 that "0A" would read as.
  void readsAsTheTextItShows_data() {
    QTest::addColumn<QString>("caption");
    QTest::newRow("hex letter") << "0A";
    QTest::newRow("one digit") << "3";
    QTest::newRow("decimal point") << "1.5";
    QTest::newRow("blank") << "";
  }
  void readsAsTheTextItShows() {
    QFETCH(QString, caption);
    TSevenSeg ss;
    ss.setCaption(caption);
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&ss);
    QAccessibleTextInterface* text = iface->textInterface();
    QVERIFY(text);
    QCOMPARE(text->characterCount(), caption.size());
    QCOMPARE(text->text(0, text->characterCount()), caption);
    int start = -1, end = -1;
    QCOMPARE(text->textAtOffset(0, QAccessible::LineBoundary, &start, &end), caption);
    QCOMPARE(start, 0);
    QCOMPARE(end, caption.size());
    text->attributes(0, &start, &end);
    QCOMPARE(end - start, caption.size());  // one run: a reader splits the text by runs
    QVERIFY(iface->state().readOnly);
    QVERIFY(!iface->state().editable);
  }

  // Tab reaches a display and shows where the focus is; neither a click nor a window's opening
  // shows a ring, so a mouse user sees the display as it was.
  void takesTheKeyboardFocusOnly() {
    QWidget window;
    auto* before = new QLineEdit(&window);
    auto* ss = new TSevenSeg(&window);
    ss->move(0, 30);
    ss->setCaption(QStringLiteral("0A"));
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    before->setFocus();
    const QImage plain = ss->grab().toImage();
    QTest::mouseClick(ss, Qt::LeftButton);
    QVERIFY(before->hasFocus());
    // Focus a window hands out as it opens shows nothing either; Tab shows a ring.
    ss->setFocus(Qt::ActiveWindowFocusReason);
    QCOMPARE(ss->grab().toImage(), plain);
    before->setFocus();
    ss->setFocus(Qt::TabFocusReason);
    QVERIFY(ss->hasFocus());
    QVERIFY(QAccessible::queryAccessibleInterface(ss)->state().focusable);
    QVERIFY(ss->grab().toImage() != plain);
    ss->clearFocus();
    QCOMPARE(ss->grab().toImage(), plain);
  }

  void changesAreToldAtARate() {
    TSevenSeg a;
    TSevenSeg b;
    a.setCaption(QStringLiteral("1"));
    b.setCaption(QStringLiteral("7"));  // each display keeps its own pace
    QCOMPARE(told.size(), 2);
    QCOMPARE(told[0].display, &a);
    QCOMPARE(told[0].value, QStringLiteral("1"));
    QCOMPARE(told[1].display, &b);

    for (const char* v : {"2", "3", "4"}) a.setCaption(QString::fromLatin1(v));
    a.setCaption(QStringLiteral("4"));  // no change, nothing to tell
    QCOMPARE(told.size(), 2);
    QTRY_COMPARE(told.size(), 3);
    QCOMPARE(told[2].display, &a);
    QCOMPARE(told[2].value, QStringLiteral("4"));  // the last value, once
    QTest::qWait(2 * TSevenSeg::AnnounceIntervalMs);
    QCOMPARE(told.size(), 3);

    // Quiet long enough: the next change is told at once again.
    a.setCaption(QStringLiteral("5"));
    QCOMPARE(told.size(), 4);
    QCOMPARE(told[3].value, QStringLiteral("5"));
  }
};

QTEST_MAIN(TestDisplayAccessible)
#include "test_display_accessible.moc"
