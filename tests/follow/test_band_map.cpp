#include <QtTest>

#include "core/follow/band_map.h"

namespace {

using Kind = BandAction::Kind;

BandAction panel(int address, int value) { return {Kind::Panel, address, value, 0, 0}; }
BandAction tuner(int number, int memory) { return {Kind::TunerMemory, 0, 0, number, memory}; }

}  // namespace

Q_DECLARE_METATYPE(QList<BandAction>)

class TestBandMap : public QObject {
  Q_OBJECT
 private slots:
  void readsRules() {
    const BandMap map = parseBandMap(
        u"# kHz        actions\r\n"
        "3500-3800    0x02=2  tuner1=5   # 80 m\r\n"
        "\r\n"
        "\t7000-7200\t0x02=3\t0x7f=255 TUNER4=48\n"
        "1810.5-1850.25 0X03=$0A\n");
    QCOMPARE(map.rules.size(), 3);
    QCOMPARE(map.rules[0].line, 2);
    QCOMPARE(map.rules[0].fromHz, 3500000);
    QCOMPARE(map.rules[0].toHz, 3800000);
    QCOMPARE(map.rules[0].actions, (QList<BandAction>{panel(0x02, 2), tuner(1, 5)}));
    QCOMPARE(map.rules[1].line, 4);
    QCOMPARE(map.rules[1].actions, (QList<BandAction>{panel(0x02, 3), panel(0x7F, 255), tuner(4, 48)}));
    QCOMPARE(map.rules[2].fromHz, 1810500);
    QCOMPARE(map.rules[2].toHz, 1850250);
    QCOMPARE(map.rules[2].actions, QList<BandAction>{panel(0x03, 10)});
    QCOMPARE(map.rules[2].describe(), u"line 5 (1810.5-1850.25 kHz)");
  }

  void firstRuleHoldingTheFrequencyApplies_data() {
    QTest::addColumn<qint64>("hz");
    QTest::addColumn<int>("line");  // 0: no rule
    QTest::newRow("lower end belongs") << qint64(7000000) << 1;
    QTest::newRow("upper end belongs") << qint64(7200000) << 1;
    QTest::newRow("overlap: first wins") << qint64(7150000) << 1;
    QTest::newRow("second rule only") << qint64(7250000) << 2;
    QTest::newRow("one hertz above") << qint64(7300001) << 0;
    QTest::newRow("one hertz below") << qint64(6999999) << 0;
  }
  void firstRuleHoldingTheFrequencyApplies() {
    QFETCH(qint64, hz);
    QFETCH(int, line);
    const BandMap map = parseBandMap(u"7000-7200 0x02=1\n7100-7300 0x02=2\n");
    const BandRule* rule = map.ruleFor(hz);
    QCOMPARE(rule ? rule->line : 0, line);
  }

  void hiddenRangesAreNamed() {
    const BandMap map = parseBandMap(
        u"7000-7200 0x02=1\n"
        "7100-7300 0x02=2\n"    // in part
        "7050-7150 0x02=3\n"    // wholly
        "14000-14350 0x02=4\n"  // apart
        "7300-7300 0x02=5\n");  // its one frequency taken by line 2
    QCOMPARE(hiddenRanges(map),
             (QStringList{
                 "line 2 (7100-7300 kHz): 7100-7200 kHz goes to line 1 (7000-7200 kHz)",
                 "line 3 (7050-7150 kHz) is never applied: line 1 (7000-7200 kHz) holds its whole range",
                 "line 5 (7300-7300 kHz) is never applied: line 2 (7100-7300 kHz) holds its whole range",
             }));
  }

  void refusesBadLines_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("reason");
    const QString ok = QStringLiteral("# fine\n3500-3800 0x02=2\n");
    QTest::newRow("not a range") << ok + "abc 0x02=1" << 3 << "'abc' is not a range FROM-TO in kHz";
    QTest::newRow("open range") << ok + "3500- 0x02=1" << 3 << "'3500-' is not a range FROM-TO in kHz";
    QTest::newRow("MHz with four decimals")
        << ok + "3.5000-3.8 0x02=1" << 3 << "'3.5000-3.8' is not a range FROM-TO in kHz";
    QTest::newRow("reversed") << ok + "7200-7000 0x02=1" << 3 << "the range 7200-7000 ends before it starts";
    QTest::newRow("no actions") << ok + "7000-7200   # later" << 3 << "the range 7000-7200 has no actions";
    const QString badAddress = QStringLiteral(": the panel address must be 0x and two digits, 0x00 to 0x7F");
    QTest::newRow("address too high") << ok + "7000-7200 0x80=1" << 3 << "'0x80=1'" + badAddress;
    QTest::newRow("address not hex") << ok + "7000-7200 0xZZ=1" << 3 << "'0xZZ=1'" + badAddress;
    QTest::newRow("address of one digit") << ok + "7000-7200 0x2=1" << 3 << "'0x2=1'" + badAddress;
    QTest::newRow("address of three digits") << ok + "7000-7200 0x002=1" << 3 << "'0x002=1'" + badAddress;
    QTest::newRow("address with a sign") << ok + "7000-7200 0x+2=1" << 3 << "'0x+2=1'" + badAddress;
    const QString badValue = QStringLiteral(": the value must be a number 0 to 255");
    QTest::newRow("value too high") << ok + "7000-7200 0x02=256" << 3 << "'0x02=256'" + badValue;
    QTest::newRow("negative value") << ok + "7000-7200 0x02=-1" << 3 << "'0x02=-1'" + badValue;
    QTest::newRow("value not a number") << ok + "7000-7200 0x02=two" << 3 << "'0x02=two'" + badValue;
    QTest::newRow("value a lone $") << ok + "7000-7200 0x02=$" << 3 << "'0x02=$'" + badValue;
    QTest::newRow("empty value") << ok + "7000-7200 0x02=" << 3 << "'0x02='" + badValue;
    QTest::newRow("NUL and escape shown, long token cut")
        << ok + "7000-7200 0x02=" + QString(1, QChar(0)) + "\x1b" + QString(60, u'9') << 3
        << "'0x02=\\x00\\x1b" + QString(33, u'9') + "...'" + badValue;
    QTest::newRow("tuner 0") << ok + "7000-7200 tuner0=1" << 3 << "'tuner0=1': the tuner must be 1 to 4";
    QTest::newRow("tuner 5") << ok + "7000-7200 tuner5=1" << 3 << "'tuner5=1': the tuner must be 1 to 4";
    QTest::newRow("memory 49") << ok + "7000-7200 tuner1=49" << 3 << "'tuner1=49': the memory must be a number 1 to 48";
    QTest::newRow("tuner without number") << ok + "7000-7200 tuner=1" << 3 << "'tuner=1': the tuner must be 1 to 4";
    QTest::newRow("unknown action") << ok + "7000-7200 0x02=1 band=40" << 3
                                    << "'band=40' is not an action (0xAA=V or tunerN=K)";
    QTest::newRow("no equals sign") << ok + "7000-7200 0x02" << 3 << "'0x02' is not an action (0xAA=V or tunerN=K)";
    QTest::newRow("decimal address") << ok + "7000-7200 2=1" << 3 << "'2=1' is not an action (0xAA=V or tunerN=K)";
    QTest::newRow("first bad line is named") << "x 1\n" + ok + "y 2" << 1 << "'x' is not a range FROM-TO in kHz";
    QTest::newRow("only comments") << "# nothing\n\n" << 0 << "the map holds no rules";
  }
  void refusesBadLines() {
    QFETCH(QString, text);
    QFETCH(int, line);
    QFETCH(QString, reason);
    try {
      parseBandMap(text);
      QFAIL("the map was accepted");
    } catch (const BandMapError& e) {
      QCOMPARE(e.line(), line);
      QCOMPARE(e.reason(), reason);
    }
  }

  void tunerMemoriesMustBeSendable_data() {
    QTest::addColumn<std::optional<TunerMemory>>("stored");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("stored") << std::optional(TunerMemory{0x06, 120}) << true;
    QTest::newRow("not stored") << std::optional<TunerMemory>() << false;
    QTest::newRow("address outside the bus") << std::optional(TunerMemory{0x80, 120}) << false;
    QTest::newRow("value above a byte") << std::optional(TunerMemory{0x06, 256}) << false;
    QTest::newRow("tuner that no scan placed") << std::optional(TunerMemory{0x00, 120}) << false;
  }
  void tunerMemoriesMustBeSendable() {
    QFETCH(std::optional<TunerMemory>, stored);
    QFETCH(bool, accepted);
    const BandMap map = parseBandMap(u"3500-3800 0x02=2\n7000-7200 0x02=3 tuner2=9\n");
    const TunerLookup lookup = [&](int tuner, int memory) { return tuner == 2 && memory == 9 ? stored : std::nullopt; };
    try {
      checkTunerMemories(map, lookup);
      QVERIFY(accepted);
    } catch (const BandMapError& e) {
      QVERIFY(!accepted);
      QCOMPARE(e.line(), 2);
      QVERIFY2(e.reason() == u"tuner 2 memory 9 has no setting to send in Tuner.dat" ||
                   (stored && stored->address == 0 &&
                    e.reason() == u"tuner 2 has no panel address in Tuner.dat (a scan in the program stores it)"),
               qPrintable(e.reason()));
    }
  }
};

QTEST_APPLESS_MAIN(TestBandMap)
#include "test_band_map.moc"
