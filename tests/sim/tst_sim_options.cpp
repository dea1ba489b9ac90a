#include "sim_options.h"

#include <QCommandLineParser>
#include <QTest>

Q_DECLARE_METATYPE(std::vector<SimPanel>)

class TestSimOptions : public QObject {
  Q_OBJECT
 private slots:
  void panelList_data();
  void panelList();
  void unescape_data();
  void unescape();
  void commandLine_data();
  void commandLine();
  void manyPanels();
};

void TestSimOptions::panelList_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<bool>("ok");
  QTest::addColumn<std::vector<SimPanel>>("panels");

  QTest::newRow("default list") << "0x02=Orv15:4,0x03=Orv18:1,0x04=Orv15:2,0x06=Orv11:39" << true
                                << SimOptions::defaultPanels();
  QTest::newRow("plain hex, sorted, no status")
      << "7f=Orv18:8, 0A=Orv11,0x0b=Orv0:0" << true
      << std::vector<SimPanel>{{0x0A, "Orv11", 0}, {0x0B, "Orv0", 0}, {0x7F, "Orv18", 8}};
  QTest::newRow("any model text") << "0x10=orv11:-3,0x11=:5,0x12=A:B:7" << true
                                  << std::vector<SimPanel>{{0x10, "orv11", -3}, {0x11, "", 5}, {0x12, "A:B", 7}};
  QTest::newRow("above the bus range") << "0x80=Orv15:1" << true << std::vector<SimPanel>{{0x80, "Orv15", 1}};
  QTest::newRow("empty") << "" << true << std::vector<SimPanel>{};

  const std::vector<SimPanel> none;
  QTest::newRow("broadcast address") << "0xFF=Orv15:1" << false << none;
  QTest::newRow("three digits") << "0x102=Orv15:1" << false << none;
  QTest::newRow("not hex") << "0xZZ=Orv15:1" << false << none;
  QTest::newRow("signed address") << "+2=Orv15:1" << false << none;
  QTest::newRow("no model") << "0x02" << false << none;
  QTest::newRow("duplicate") << "0x02=Orv15:1,2=Orv18:1" << false << none;
  QTest::newRow("status not decimal") << "0x02=Orv15:x4" << false << none;
  QTest::newRow("status too big") << "0x02=Orv15:2147483648" << false << none;
  QTest::newRow("trailing comma") << "0x02=Orv15:1," << false << none;
}

void TestSimOptions::panelList() {
  QFETCH(QString, text);
  QFETCH(bool, ok);
  QFETCH(std::vector<SimPanel>, panels);
  QString error;
  const auto parsed = parsePanelList(text, &error);
  QCOMPARE(parsed.has_value(), ok);
  if (ok)
    QVERIFY(*parsed == panels);
  else
    QVERIFY(!error.isEmpty());
}

void TestSimOptions::unescape_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<bool>("ok");
  QTest::addColumn<QByteArray>("bytes");
  QTest::newRow("plain") << "abc" << true << QByteArray("abc");
  QTest::newRow("CR LF") << "#0x02 Ret X:1=4\\r\\n" << true << QByteArray("#0x02 Ret X:1=4\r\n");
  QTest::newRow("hex either case") << "\\x00\\xff\\xAB\\x41" << true
                                   << QByteArray(
                                          "\0\xFF\xAB"
                                          "A",
                                          4);
  QTest::newRow("tab, NUL, backslash") << "\\t\\0\\\\" << true << QByteArray("\t\0\\", 3);
  QTest::newRow("latin-1 character") << QString(QChar(0xE6)) << true << QByteArray("\xE6");
  QTest::newRow("unknown escape") << "\\q" << false << QByteArray();
  QTest::newRow("dangling backslash") << "ab\\" << false << QByteArray();
  QTest::newRow("short hex") << "\\x4" << false << QByteArray();
  QTest::newRow("bad hex") << "\\x+1" << false << QByteArray();
  QTest::newRow("wide character") << QString(QChar(0x20AC)) << false << QByteArray();
}

void TestSimOptions::unescape() {
  QFETCH(QString, text);
  QFETCH(bool, ok);
  QFETCH(QByteArray, bytes);
  QString error;
  const auto result = unescapeBytes(text, &error);
  QCOMPARE(result.has_value(), ok);
  if (ok)
    QCOMPARE(*result, bytes);
  else
    QVERIFY(!error.isEmpty());
}

void TestSimOptions::commandLine_data() {
  QTest::addColumn<QStringList>("args");
  QTest::addColumn<bool>("ok");
  QTest::newRow("defaults") << QStringList{} << true;
  QTest::newRow("everything") << QStringList{"--bind",           "127.0.0.1",  "--port",           "0",
                                             "--panels",         "05=Orv18:3", "--reply-delay",    "10",
                                             "--split-replies",  "0",          "--silent-address", "0x05",
                                             "--silent-address", "ff",         "--close-after",    "3",
                                             "--on-connect",     "hi\\r\\n",   "--no-answer"}
                              << true;
  QTest::newRow("host name") << QStringList{"--bind", "localhost"} << false;
  QTest::newRow("port too big") << QStringList{"--port", "65536"} << false;
  QTest::newRow("port not a number") << QStringList{"--port", "25x"} << false;
  QTest::newRow("panels and many") << QStringList{"--panels", "02=Orv15", "--many", "3"} << false;
  QTest::newRow("many zero") << QStringList{"--many", "0"} << false;
  QTest::newRow("many 128") << QStringList{"--many", "128"} << false;
  QTest::newRow("negative delay") << QStringList{"--reply-delay", "-1"} << false;
  QTest::newRow("bad silent address") << QStringList{"--silent-address", "0x100"} << false;
  QTest::newRow("bad escape") << QStringList{"--on-connect", "\\z"} << false;
}

void TestSimOptions::commandLine() {
  QFETCH(QStringList, args);
  QFETCH(bool, ok);
  QCommandLineParser parser;
  addSimOptions(parser);
  QVERIFY(parser.parse(QStringList{"controller-sim"} + args));
  QString error;
  const auto options = simOptionsFromParser(parser, &error);
  QCOMPARE(options.has_value(), ok);
  if (!ok) {
    QVERIFY(!error.isEmpty());
    return;
  }
  if (args.isEmpty()) {
    QCOMPARE(options->bind, QHostAddress(QHostAddress::LocalHost));
    QCOMPARE(options->port, quint16(2501));
    QVERIFY(options->panels == SimOptions::defaultPanels());
    QCOMPARE(options->splitPauseMs, -1);
    QCOMPARE(options->closeAfter, -1);
    QVERIFY(!options->noAnswer);
  } else {
    QCOMPARE(options->port, quint16(0));
    QVERIFY(options->panels == (std::vector<SimPanel>{{5, "Orv18", 3}}));
    QCOMPARE(options->replyDelayMs, 10);
    QCOMPARE(options->splitPauseMs, 0);
    QCOMPARE(options->silentAddresses, (QSet<int>{5, 0xFF}));
    QCOMPARE(options->closeAfter, 3);
    QCOMPARE(options->onConnect, QByteArray("hi\r\n"));
    QVERIFY(options->noAnswer);
  }
}

void TestSimOptions::manyPanels() {
  const auto panels = ::manyPanels(127);
  QCOMPARE(panels.size(), size_t(127));
  QSet<QByteArray> models;
  for (int i = 0; i < 127; ++i) {
    QCOMPARE(panels[i].address, i + 1);
    models.insert(panels[i].model);
    if (panels[i].model == "Orv11")
      QVERIFY(panels[i].status >= 0 && panels[i].status <= 255);
    else
      QVERIFY(panels[i].status >= 1 && panels[i].status <= 8);
  }
  QCOMPARE(models, (QSet<QByteArray>{"Orv11", "Orv15", "Orv18"}));
}

QTEST_GUILESS_MAIN(TestSimOptions)
#include "tst_sim_options.moc"
