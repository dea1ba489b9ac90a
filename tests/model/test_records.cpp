#include <QtTest>

#include <cstring>

#include "core/model/codepage.h"
#include "core/model/formatting.h"
#include "core/model/panel_models.h"
#include "core/model/system_table.h"

class TestRecords : public QObject {
  Q_OBJECT
 private slots:
  void init() { resetProgramState(); }

  void codePageRoundTrip_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("ascii") << "Orv15 @ 0x02" << QByteArray("Orv15 @ 0x02");
    QTest::newRow("latin-1") << QString::fromUtf8("æøå ÆØÅ") << QByteArray("\xE6\xF8\xE5 \xC6\xD8\xC5");
    QTest::newRow("cp1252 high") << QString::fromUtf8("€‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ")
                                 << QByteArray(
                                        "\x80\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8E\x91\x92\x93"
                                        "\x94\x95\x96\x97\x98\x99\x9A\x9B\x9C\x9E\x9F");
    QTest::newRow("one high byte among Latin-1")
        << QString::fromUtf8("Tuner æ 5€ ÿ") << QByteArray("Tuner \xE6 5\x80 \xFF");
    QTest::newRow("line feed and NUL") << QString::fromUtf16(u"No \n config\0x", 13)
                                       << QByteArray("No \n config\0x", 13);
  }
  void codePageRoundTrip() {
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(codepage::encode(text), bytes);
    QCOMPARE(codepage::decode(bytes), text);
  }

  void unmappableBecomesQuestionMark_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("cyrillic") << QString::fromUtf8("Жx") << QByteArray("?x");
    QTest::newRow("astral is one character") << QString::fromUtf8("a😀b") << QByteArray("a?b");
    QTest::newRow("lone surrogate") << QString(QChar(0xD800)) << QByteArray("?");
  }
  void unmappableBecomesQuestionMark() {
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(codepage::encode(text), bytes);
  }

  void undefinedBytesDecodeAsControls() {
    QCOMPARE(codepage::decode("\x81\x8D\x8F\x90\x9D"), QString::fromUtf16(u"\u0081\u008D\u008F\u0090\u009D"));
  }

  void textIsCutToCapacity_data() {
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("kept255");
    QTest::addColumn<int>("kept11");
    QTest::addColumn<int>("kept15");
    QTest::newRow("short") << 5 << 5 << 5 << 5;
    QTest::newRow("exactly 11") << 11 << 11 << 11 << 11;
    QTest::newRow("exactly 15") << 15 << 15 << 11 << 15;
    QTest::newRow("exactly 255") << 255 << 255 << 11 << 15;
    QTest::newRow("300") << 300 << 255 << 11 << 15;
  }
  void textIsCutToCapacity() {
    QFETCH(int, length);
    const QString text(length, u'x');
    TSystemRecord& rec = SystemArray[1];
    rec.Navn = text;
    QTEST(int(rec.Navn.text().size()), "kept255");
    TunerArray[0].Buttons[0].Tekst = text;
    QTEST(int(TunerArray[0].Buttons[0].Tekst.text().size()), "kept11");
    UsrButtons[0].ButtonText = text;
    QTEST(int(UsrButtons[0].ButtonText.text().size()), "kept15");
  }

  void shorterTextKeepsOldTailBytes() {
    TSystemRecord& rec = SystemArray[3];
    rec.Btn1Txt = QStringLiteral("Long label");
    rec.Btn1Txt = QStringLiteral("Ant");
    const auto* raw = reinterpret_cast<const unsigned char*>(&rec) + 780;
    QCOMPARE(int(raw[0]), 3);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(raw + 1), 10), QByteArray("Antg label"));
    QCOMPARE(rec.Btn1Txt.text(), QStringLiteral("Ant"));
  }

  void fieldsSitAtTheirOffsets() {
    TSystemRecord rec{};
    rec.Comment = QStringLiteral("C");
    rec.Id = 0x01020304;
    rec.I_bruk = true;
    rec.Adresse = 6;
    rec.Navn = QStringLiteral("Orv11");
    rec.BrukerDef = QStringLiteral("B");
    rec.Btn8Txt = QStringLiteral("8");
    rec.Status = 39;
    rec.Status7seg = QStringLiteral("S");
    rec.TunerNr = 1;
    QByteArray bytes(reinterpret_cast<const char*>(&rec), sizeof rec);
    QCOMPARE(bytes.size(), 3092);
    auto i32 = [&](int off) {
      qint32 v;
      std::memcpy(&v, bytes.constData() + off, 4);
      return v;
    };
    QCOMPARE(bytes.mid(0, 2), QByteArray("\x01"
                                         "C"));
    QCOMPARE(i32(256), 0x01020304);
    QCOMPARE(QByteArray(bytes.mid(256, 4)), QByteArray("\x04\x03\x02\x01"));  // little-endian
    QCOMPARE(int(bytes[260]), 1);
    QCOMPARE(i32(264), 6);
    QCOMPARE(bytes.mid(268, 6), QByteArray("\x05Orv11"));
    QCOMPARE(bytes.mid(524, 2), QByteArray("\x01"
                                           "B"));
    QCOMPARE(bytes.mid(2572, 2), QByteArray("\x01"
                                            "8"));
    QCOMPARE(i32(2828), 39);
    QCOMPARE(bytes.mid(2832, 2), QByteArray("\x01S"));
    QCOMPARE(i32(3088), 1);

    TUsrBtnType btn{};
    btn.Index = 7;
    btn.InUse = true;
    btn.FileName = QStringLiteral("/f");
    btn.ButtonText = QStringLiteral("Evening");
    const QByteArray b(reinterpret_cast<const char*>(&btn), sizeof btn);
    QCOMPARE(b.size(), 280);
    QCOMPARE(int(b[0]), 7);
    QCOMPARE(int(b[4]), 1);
    QCOMPARE(b.mid(5, 3), QByteArray("\x02/f"));
    QCOMPARE(b.mid(261, 8), QByteArray("\x07"
                                       "Evening"));

    TTunerRecord t{};
    t.Adresse = 6;
    t.Buttons[47].Verdi = 0x25;
    t.Buttons[47].Tekst = QStringLiteral("Hi");
    const QByteArray tb(reinterpret_cast<const char*>(&t), sizeof t);
    QCOMPARE(tb.size(), 780);
    QCOMPARE(int(tb[4]), 6);
    QCOMPARE(tb.mid(12 + 47 * 16, 3), QByteArray("\x02Hi"));
    QCOMPARE(int(tb[12 + 47 * 16 + 12]), 0x25);
  }

  void bytesFromAFileAreNeverTrusted() {
    QByteArray bytes(3092, '\0');
    bytes[260] = 2;           // in use, though not the value 1
    bytes[268] = char(0xFF);  // length above the capacity
    TSystemRecord rec;
    std::memcpy(&rec, bytes.constData(), sizeof rec);
    QVERIFY(bool(rec.I_bruk));
    QCOMPARE(rec.Navn.text().size(), 255);

    TKnapperRecord k;
    std::memset(&k, 0xFF, sizeof k);
    QCOMPARE(k.Tekst.text().size(), 11);
  }

  void modelTestIsExact_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<const PanelModel*>("model");
    QTest::newRow("Orv0") << "Orv0" << &Orv0Model;
    QTest::newRow("Orv11") << "Orv11" << &Orv11Model;
    QTest::newRow("Orv15") << "Orv15" << &Orv15Model;
    QTest::newRow("Orv18") << "Orv18" << &Orv18Model;
    QTest::newRow("case") << "orv11" << static_cast<const PanelModel*>(nullptr);
    QTest::newRow("prefix") << "Orv111" << static_cast<const PanelModel*>(nullptr);
    QTest::newRow("blank") << "Orv11 " << static_cast<const PanelModel*>(nullptr);
  }
  void modelTestIsExact() {
    QFETCH(QString, name);
    SystemArray[5].Navn = name;
    QTEST(panelModelOf(SystemArray[5]), "model");
  }

  void hexFormatting() {
    QCOMPARE(addressText(6), QStringLiteral("0x06"));
    QCOMPARE(addressText(127), QStringLiteral("0x7F"));
    QCOMPARE(hexText(39), QStringLiteral("27"));
    QCOMPARE(hexText(256), QStringLiteral("100"));
    QCOMPARE(hexText(-1), QStringLiteral("FFFFFFFF"));
  }

  void resetClearsEverything() {
    SystemArray[127].I_bruk = true;
    TunerArray[3].Buttons[47].Verdi = 5;
    UsrButtons[20].InUse = true;
    AntallTunere = 3;
    RxStr = "x";
    resetProgramState();
    const QByteArray zero(sizeof SystemArray, '\0');
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(SystemArray), sizeof SystemArray), zero);
    QCOMPARE(TunerArray[3].Buttons[47].Verdi, 0);
    QVERIFY(!UsrButtons[20].InUse);
    QCOMPARE(AntallTunere, 0);
    QVERIFY(RxStr.isEmpty());
  }
};

QTEST_APPLESS_MAIN(TestRecords)
#include "test_records.moc"
