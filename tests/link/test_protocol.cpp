#include <QtTest>

#include "core/link/protocol.h"
#include "core/model/system_table.h"

namespace {
const QString kFourPanels =
    QStringLiteral("#0xFF Ret 0x02:Name:Orv15 0x03:Name:Orv18 0x04:Name:Orv15 0x06:Name:Orv11\r\n");

QString failureOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const ConversionError& e) {
    return e.message();
  }
  return {};
}
}  // namespace

class TestProtocol : public QObject {
  Q_OBJECT
 private slots:
  void init() { resetProgramState(); }

  void integerRule_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("value");
    QTest::newRow("decimal") << "39" << true << 39;
    QTest::newRow("leading blanks") << "   39" << true << 39;
    QTest::newRow("plus") << "+7" << true << 7;
    QTest::newRow("minus") << "-7" << true << -7;
    QTest::newRow("0x") << "0x06" << true << 6;
    QTest::newRow("0X") << "0X1a" << true << 26;
    QTest::newRow("dollar") << "$7F" << true << 127;
    QTest::newRow("x") << "xff" << true << 255;
    QTest::newRow("X") << "X10" << true << 16;
    QTest::newRow("negative hex") << "-$10" << true << -16;
    QTest::newRow("int max") << "2147483647" << true << 2147483647;
    QTest::newRow("int min") << "-2147483648" << true << int(-2147483648LL);
    QTest::newRow("hex 80000000 is its bit pattern") << "$80000000" << true << int(-2147483648LL);
    QTest::newRow("hex FFFFFFFF is -1") << "0xFFFFFFFF" << true << -1;
    QTest::newRow("decimal overflow") << "2147483648" << false << 0;
    QTest::newRow("hex overflow") << "$100000000" << false << 0;
    QTest::newRow("empty") << "" << false << 0;
    QTest::newRow("blanks only") << "  " << false << 0;
    QTest::newRow("sign only") << "-" << false << 0;
    QTest::newRow("prefix only") << "0x" << false << 0;
    QTest::newRow("dollar only") << "$" << false << 0;
    QTest::newRow("trailing CR") << "39\r" << false << 0;
    QTest::newRow("trailing blank") << "39 " << false << 0;
    QTest::newRow("hex digit in decimal") << "3A" << false << 0;
    QTest::newRow("bad hex") << "$ZZ" << false << 0;
    QTest::newRow("tab is not a blank") << "\t1" << false << 0;
    QTest::newRow("many digits") << QString(40, u'0') + "1" << true << 1;
  }
  void integerRule() {
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(int, value);
    int got = 0;
    const QString failure = failureOf([&] { got = StrToInt(text); });
    if (ok) {
      QCOMPARE(failure, QString());
      QCOMPARE(got, value);
    } else {
      QCOMPARE(failure, "'" + text + "' is not a valid integer value");
    }
  }

  void hexToInt_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("no 0x") << "06" << 0;
    QTest::newRow("upper X") << "0X1A" << 0;
    QTest::newRow("bare hex") << "1A" << 0;
    QTest::newRow("0x1A") << "0x1A" << 26;
    QTest::newRow("0x7F") << "0x7F" << 127;
    QTest::newRow("lower digits") << "0x0a" << 10;
    QTest::newRow("0x anywhere, first two removed") << "ab0x" << 0x0;
  }
  void hexToInt() {
    QFETCH(QString, text);
    if (QByteArray(QTest::currentDataTag()) == "0x anywhere, first two removed") {
      // "ab0x" -> "$0x", which is not hexadecimal
      QCOMPARE(failureOf([&] { HexToInt(text); }), QStringLiteral("'$0x' is not a valid integer value"));
      return;
    }
    QTEST(HexToInt(text), "value");
  }

  void hexToIntFailureNamesTheDollarText() {
    QCOMPARE(failureOf([] { HexToInt(u"0xZZ"); }), QStringLiteral("'$ZZ' is not a valid integer value"));
    QCOMPARE(failureOf([] { HexToInt(u"0x"); }), QStringLiteral("'$' is not a valid integer value"));
  }

  void fjernCrLf_data() {
    QTest::addColumn<QString>("in");
    QTest::addColumn<QString>("out");
    QTest::newRow("joins replies") << "4\r\n#0x03"
                                   << "4#0x03";
    QTest::newRow("only first pair") << "a\r\nb\r\n"
                                     << "ab\r\n";
    QTest::newRow("lone LF") << "a\nb"
                             << "ab";
    QTest::newRow("CR and LF apart") << "\na\rb"
                                     << "ab";
    QTest::newRow("none") << "abc"
                          << "abc";
  }
  void fjernCrLf() {
    QFETCH(QString, in);
    QTEST(FjernCRLF(in), "out");
  }

  void nameReplyFillsSlots() {
    GetNames(kFourPanels);
    const int addrs[] = {2, 3, 4, 6};
    const char* names[] = {"Orv15", "Orv18", "Orv15", "Orv11"};
    for (int k = 0; k < 4; ++k) {
      const TSystemRecord& r = SystemArray[addrs[k]];
      QVERIFY(r.I_bruk);
      QCOMPARE(r.Id, k + 1);
      QCOMPARE(r.Adresse, addrs[k]);
      QCOMPARE(r.Navn.text(), QString::fromLatin1(names[k]));
    }
    QCOMPARE(SystemArray[2].BrukerDef.text(), Orv15Navn);
    QCOMPARE(SystemArray[3].BrukerDef.text(), Orv18Navn);
    QCOMPARE(SystemArray[6].BrukerDef.text(), Orv11Navn);
    QCOMPARE(AntallTunere, 1);
    QCOMPARE(SystemArray[6].TunerNr, 1);
    QCOMPARE(TunerArray[0].Adresse, 6);
    QCOMPARE(SystemArray[2].TunerNr, 0);
    QVERIFY(!SystemArray[5].I_bruk);
  }

  void nameReplyVariants_data() {
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QList<int>>("inUse");
    QTest::addColumn<int>("tuners");
    QTest::newRow("no entries") << "#0xFF Ret \r\n" << QList<int>{} << 0;
    QTest::newRow("single entry read by the last step") << "#0xFF Ret 0x05:Name:Orv18\r\n" << QList<int>{5} << 0;
    QTest::newRow("Orv11 last is numbered") << "#0xFF Ret 0x02:Name:Orv15 0x0A:Name:Orv11\r\n"
                                            << QList<int>{2, 10} << 1;
    QTest::newRow("two tuners") << "#0xFF Ret 0x06:Name:Orv11 0x07:Name:Orv11\r\n" << QList<int>{6, 7} << 2;
    QTest::newRow("address above the table is skipped")
        << "#0xFF Ret 0x80:Name:Orv15 0xFF:Name:Orv11 0x03:Name:Orv18\r\n"
        << QList<int>{3} << 0;
    QTest::newRow("negative address is skipped") << "#0xFF Ret -1:Name:Orv15 0x03:Name:Orv18\r\n" << QList<int>{3} << 0;
    QTest::newRow("Orv0 is in use") << "#0xFF Ret 0x09:Name:Orv0\r\n" << QList<int>{9} << 0;
    QTest::newRow("slot 0") << "#0xFF Ret 0x00:Name:Orv15\r\n" << QList<int>{0} << 0;
  }
  void nameReplyVariants() {
    QFETCH(QString, reply);
    QFETCH(QList<int>, inUse);
    GetNames(reply);
    QList<int> got;
    for (int n = 0; n < SystemSlots; ++n)
      if (SystemArray[n].I_bruk) got.append(n);
    QCOMPARE(got, inUse);
    QTEST(AntallTunere, "tuners");
  }

  void fifthTunerIsNumberedWithoutRecord() {
    TunerArray[0].Status = 77;  // a neighbour that must not be touched
    GetNames(
        u"#0xFF Ret 0x01:Name:Orv11 0x02:Name:Orv11 0x03:Name:Orv11 0x04:Name:Orv11 "
        u"0x05:Name:Orv11 0x06:Name:Orv11\r\n");
    QCOMPARE(AntallTunere, 6);
    QCOMPARE(SystemArray[5].TunerNr, 5);
    QCOMPARE(SystemArray[6].TunerNr, 6);
    for (int t = 0; t < TunerSlots; ++t) QCOMPARE(TunerArray[t].Adresse, t + 1);
    QCOMPARE(TunerArray[0].Status, 77);
  }

  void unknownModelKeepsDescription() {
    SystemArray[6].BrukerDef = QStringLiteral("Old");
    GetNames(u"#0xFF Ret 0x06:Name:orv11\r\n");
    QCOMPARE(SystemArray[6].Navn.text(), QStringLiteral("orv11"));
    QCOMPARE(SystemArray[6].BrukerDef.text(), QStringLiteral("Old"));
    QCOMPARE(SystemArray[6].TunerNr, 0);
    QCOMPARE(AntallTunere, 0);
  }

  void rescanKeepsUnnamedSlots() {
    GetNames(kFourPanels);
    SystemArray[3].Btn1Txt = QStringLiteral("Dipole");
    GetNames(u"#0xFF Ret 0x02:Name:Orv15\r\n");
    QVERIFY(SystemArray[3].I_bruk);
    QCOMPARE(SystemArray[3].Navn.text(), QStringLiteral("Orv18"));
    QCOMPARE(SystemArray[3].Btn1Txt.text(), QStringLiteral("Dipole"));
  }

  void brokenNameReplies_data() {
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QList<int>>("keptInUse");
    QTest::newRow("blank after the last entry") << "#0xFF Ret 0x02:Name:Orv15 0x03:Name:Orv18 \r\n"
                                                << "'' is not a valid integer value" << QList<int>{2, 3};
    QTest::newRow("no colon") << "#0xFF Ret abc def\r\n"
                              << "'' is not a valid integer value" << QList<int>{};
    QTest::newRow("bad hex address") << "#0xFF Ret 0xZZ:Name:Orv15\r\n"
                                     << "'0xZZ' is not a valid integer value" << QList<int>{};
  }
  void brokenNameReplies() {
    QFETCH(QString, reply);
    QFETCH(QList<int>, keptInUse);
    QTEST(failureOf([&] { GetNames(reply); }), "failure");
    for (int n : keptInUse) QVERIFY(SystemArray[n].I_bruk);
  }

  void statusReplies_data() {
    QTest::addColumn<QString>("chunk");
    QTest::addColumn<QList<int>>("addrs");
    QTest::addColumn<QList<int>>("values");
    QTest::addColumn<QList<int>>("addresses");
    QTest::newRow("one") << "#0x02 Ret X:1=4\r\n" << QList<int>{2} << QList<int>{4} << QList<int>{2};
    QTest::newRow("two") << "#0x02 Ret X:1=4\r\n#0x13 Ret X:1=39\r\n"
                         << QList<int>{2, 19} << QList<int>{4, 39} << QList<int>{2, 19};
    QTest::newRow("no line end") << "#0x06 Ret X:1=39" << QList<int>{6} << QList<int>{39} << QList<int>{6};
    QTest::newRow("lower-case hex address") << "#0x0a Ret X:1=7\r\n"
                                            << QList<int>{10} << QList<int>{7} << QList<int>{10};
    QTest::newRow("address above the table skipped") << "#0x80 Ret X:1=1\r\n#0x03 Ret X:1=5\r\n"
                                                     << QList<int>{3} << QList<int>{5} << QList<int>{3};
    QTest::newRow("0xFF skipped") << "#0xFF Ret X:1=1\r\n" << QList<int>{} << QList<int>{} << QList<int>{};
    QTest::newRow("leading zeros, nine digits") << "#0x02 Ret X:1=0004\r\n#0x7F Ret X:1=999999999\r\n"
                                                << QList<int>{2, 127} << QList<int>{4, 999999999} << QList<int>{2, 127};
    QTest::newRow("ten digits") << "#0x02 Ret X:1=2147483647\r\n#0x03 Ret X:1=1\r\n"
                                << QList<int>{2, 3} << QList<int>{2147483647, 1} << QList<int>{2, 3};
  }
  void statusReplies() {
    QFETCH(QString, chunk);
    QFETCH(QList<int>, addrs);
    QFETCH(QList<int>, values);
    GetStatus(chunk);
    for (int k = 0; k < addrs.size(); ++k) QCOMPARE(SystemArray[addrs[k]].Status, values[k]);
    int touched = 0;
    for (const auto& r : SystemArray) touched += r.Status != 0;
    QCOMPARE(touched, int(addrs.size()));
    QTEST(ReplyAddresses(chunk), "addresses");
  }

  void brokenStatusReplies_data() {
    QTest::addColumn<QString>("chunk");
    QTest::addColumn<QString>("failure");
    QTest::newRow("blank before line end") << "#0x06 Ret X:1=39 \r\n"
                                           << "'39 ' is not a valid integer value";
    QTest::newRow("two line ends") << "#0x06 Ret X:1=39\r\n\r\n"
                                   << "'39\r\n' is not a valid integer value";
    QTest::newRow("no Ret") << "#0x06 Get X\r\n"
                            << "'$' is not a valid integer value";
    QTest::newRow("bad address") << "#0xZZ Ret X:1=1\r\n"
                                 << "'$ZZ' is not a valid integer value";
  }
  void brokenStatusReplies() {
    QFETCH(QString, chunk);
    QTEST(failureOf([&] { GetStatus(chunk); }), "failure");
  }

  void firstReplyStaysWhenASecondFails() {
    const QString chunk = QStringLiteral("#0x02 Ret X:1=4\r\n#0x03 Ret X:1=x\r\n");
    QVERIFY(!failureOf([&] { GetStatus(chunk); }).isEmpty());
    QCOMPARE(SystemArray[2].Status, 4);
  }

  void manyRepliesInOneChunk() {
    QString chunk;
    for (int k = 0; k < 20000; ++k)
      chunk += QStringLiteral("#0x%1 Ret X:1=%2\r\n").arg(k % 128, 2, 16, QChar(u'0')).arg(k);
    GetStatus(chunk);
    QCOMPARE(SystemArray[127].Status, 19967);
    QCOMPARE(ReplyAddresses(chunk).size(), 20000);
  }

  void commands() {
    QCOMPARE(command::nameRequest(), QStringLiteral("#0xFF Get Name\r\n"));
    QCOMPARE(command::statusRequest(26), QStringLiteral("#0x1A Get X\r\n"));
    QCOMPARE(command::setValue(3, 5), QStringLiteral("#0x03 Set X:1=5\r\n"));
    QCOMPARE(command::setValue(6, 255), QStringLiteral("#0x06 Set X:1=255\r\n"));
  }
};

QTEST_APPLESS_MAIN(TestProtocol)
#include "test_protocol.moc"
