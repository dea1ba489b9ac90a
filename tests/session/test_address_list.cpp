// The address list: its entries as shown, and the slot a list shows with text over its entry.
#include <QSignalSpy>
#include <QtTest>

#include "core/model/integer_rule.h"
#include "core/session/address_list.h"

class TestAddressList : public QObject {
  Q_OBJECT
 private slots:
  // A list on screen with no current entry asks about the invalid index; the answer is nothing,
  // without a warning on the program's output.
  void invalidIndexIsNoEntry() {
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
    AddressList list;
    QVERIFY(!list.data(QModelIndex()).isValid());
    list.setAddresses({2});
    QVERIFY(!list.data(QModelIndex(), AddressList::SlotRole).isValid());
    QVERIFY(!list.data(list.index(1)).isValid());
  }

  void entriesShowTheAddressAndHoldTheSlot() {
    AddressList list;
    list.setAddresses({2, 0x0A, 0x7F, 0});
    QCOMPARE(list.rowCount(), 4);
    QStringList shown;
    QList<int> held;
    for (int row = 0; row < list.rowCount(); ++row) {
      shown << list.data(list.index(row)).toString();
      held << list.data(list.index(row), AddressList::SlotRole).toInt();
    }
    QCOMPARE(shown, (QStringList{"0x02", "0x0A", "0x7F", "0x00"}));
    QCOMPARE(held, (QList<int>{2, 0x0A, 0x7F, 0}));
    QCOMPARE(list.rowOf(0x7F), 2);
    QCOMPARE(list.rowOf(5), -1);
    // Filled afresh, the first entry is the current panel.
    QCOMPARE(list.currentRow(), 0);
    QCOMPARE(list.selectedSlot(), 2);
  }

  void slotShown_data() {
    QTest::addColumn<QList<int>>("addresses");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("slot");  // -1: the text fails the integer rule
    QTest::newRow("entry") << QList<int>{2, 6} << 1 << "0x06" << 6;
    // An odd name reply can list an address apart from its slot: the entry still names its own.
    QTest::newRow("entry of an address above the table") << QList<int>{0x80} << 0 << "0x80" << 0x80;
    QTest::newRow("typed over an entry") << QList<int>{2, 6} << 0 << "0x06" << 6;
    QTest::newRow("typed lower case") << QList<int>{2} << 0 << "0x0a" << 10;
    QTest::newRow("typed without 0x") << QList<int>{2} << 0 << "6" << 0;
    QTest::newRow("no entry, no text") << QList<int>{} << -1 << "" << 0;
    QTest::newRow("typed malformed") << QList<int>{2} << 0 << "0xZZ" << -1;
    QTest::newRow("typed 0x alone") << QList<int>{2} << 0 << "0x" << -1;
  }
  void slotShown() {
    QFETCH(QList<int>, addresses);
    QFETCH(int, row);
    QFETCH(QString, text);
    QFETCH(int, slot);
    AddressList list;
    list.setAddresses(addresses);
    list.setShown(row, text);
    if (slot < 0) {
      QVERIFY_THROWS_EXCEPTION(ConversionError, list.selectedSlot());
      return;
    }
    QCOMPARE(list.slotShown(row, text), slot);
    QCOMPARE(list.selectedSlot(), slot);
  }

  // The program's choice of entry goes over anything typed, and the box on screen is told.
  void selectGoesOverTypedText() {
    AddressList list;
    list.setAddresses({3, 4});
    list.setShown(1, QStringLiteral("0x09"));
    QSignalSpy told(&list, &AddressList::currentSet);
    list.select(0);
    QCOMPARE(list.selectedSlot(), 3);
    QCOMPARE(told.size(), 1);
    QCOMPARE(told.at(0).at(1).toString(), QStringLiteral("0x03"));

    list.setAddresses({});
    list.select(0);
    QCOMPARE(list.currentRow(), -1);
    QCOMPARE(told.at(1).at(1).toString(), QString());
    QCOMPARE(list.selectedSlot(), 0);
  }
};

QTEST_GUILESS_MAIN(TestAddressList)
#include "test_address_list.moc"
