// What a screen reader learns of a seven-segment display: its name, the value it shows, and a
// value change told at once, then at most once per interval with the last value.
#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QtTest>

#include "controls/accessibility.h"
#include "controls/seven_seg.h"

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
