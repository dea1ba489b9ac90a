#include <optional>
#include <QtTest>

#include "common/operator_dialogs.h"
#include "model/system_table.h"
#include "storage/settings_file.h"
#include "support/program_state.h"

namespace {

void writeText(const QString& path, const QByteArray& text) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(text);
}

QByteArray readText(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class TestSettingsFile : public QObject {
  Q_OBJECT
  QTemporaryDir dir;
  DialogRecorder rec;
  std::optional<ProgramState> state;
  QString ini;
  int n = 0;

 private slots:
  void init() {
    ini = dir.path() + QStringLiteral("/OrvControlClient%1.INI").arg(++n);
    rec = DialogRecorder();
    state.emplace(&rec);
  }
  void cleanup() { state.reset(); }

  void pathIsTheExecutableWithIni() {
    InstalledPath = QCoreApplication::applicationDirPath() + u'/';
    QCOMPARE(settingsFilePath(), QCoreApplication::applicationFilePath() + ".INI");
  }

  void readsDefaultsAndPresentValues_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("port");
    QTest::newRow("no file") << QByteArray() << "127.0.0.1"
                             << "2501";
    QTest::newRow("other section only") << QByteArray("[Other]\nAddress=1.2.3.4\n") << "127.0.0.1"
                                        << "2501";
    QTest::newRow("keys of other case") << QByteArray("[tcpip]\naddress=1.2.3.4\n") << "127.0.0.1"
                                        << "2501";
    QTest::newRow("port only") << QByteArray("[TCPIP]\nPort=4000\n") << "127.0.0.1"
                               << "4000";
    QTest::newRow("empty address") << QByteArray("[TCPIP]\nAddress=\nPort=2502\n") << ""
                                   << "2502";
    QTest::newRow("hand-edited comma") << QByteArray("[TCPIP]\nAddress=10.0.0.1,2\nPort=25, 01\n") << "10.0.0.1,2"
                                       << "25, 01";
    QTest::newRow("garbage lines") << QByteArray("\x01\xFFjunk\n[TCPIP\n=x\n[TCPIP]\nAddress=host\n") << "host"
                                   << "2501";
  }
  void readsDefaultsAndPresentValues() {
    QFETCH(QByteArray, content);
    QFETCH(QString, address);
    QFETCH(QString, port);
    if (!content.isNull()) writeText(ini, content);
    const TcpSettings s = readTcpSettings(ini);
    QCOMPARE(s.address, address);
    QCOMPARE(s.port, port);
  }

  void unreadableFileGivesDefaults() {
    QVERIFY(QDir().mkpath(ini));
    const TcpSettings s = readTcpSettings(ini);
    QCOMPARE(s.address, QStringLiteral("127.0.0.1"));
    QCOMPARE(s.port, QStringLiteral("2501"));
  }

  void oddValuesRoundTrip_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("port");
    QTest::newRow("comma") << "10.0.0.1,5"
                           << ",";
    QTest::newRow("semicolon and equals") << "a;b=c"
                                          << "=";
    QTest::newRow("quotes") << "\"quoted\""
                            << "'";
    QTest::newRow("backslash and brackets") << "C:\\x [TCPIP]"
                                            << "\\";
    QTest::newRow("non-ASCII") << QString::fromUtf8("rådhus€") << QString::fromUtf8("Ж");
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("spaces") << "  padded  "
                            << " ";
    QTest::newRow("at sign") << "@Invalid()"
                             << "@ByteArray(1)";
    QTest::newRow("line break") << "a\nb"
                                << "\r";
  }
  void oddValuesRoundTrip() {
    QFETCH(QString, address);
    QFETCH(QString, port);
    QVERIFY(writeTcpSettings(ini, address, port));
    const TcpSettings s = readTcpSettings(ini);
    QCOMPARE(s.address, address);
    QCOMPARE(s.port, port);
    QVERIFY(rec.messages.isEmpty());
  }

  void writeKeepsOtherSectionsAndUsesExactNames() {
    writeText(ini, "[General]\nfoo=1\n[TCPIP]\nAddress=old\nExtra=keep\n[Z]\nbar=2\n");
    QVERIFY(writeTcpSettings(ini, "192.168.1.20", "2501"));
    const QByteArray text = readText(ini);
    QVERIFY2(text.contains("[TCPIP]\nAddress=192.168.1.20\nExtra=keep\nPort=2501\n"), text.constData());
    QSettings back(ini, QSettings::IniFormat);
    QCOMPARE(back.value("foo").toString(), QStringLiteral("1"));
    QCOMPARE(back.value("Z/bar").toString(), QStringLiteral("2"));
  }

  void writeOverADamagedFile() {
    writeText(ini, "\x01\xFFjunk\n[TCPIP\n=x\n\"[broken\nAddress=old\n");
    QVERIFY(writeTcpSettings(ini, "10.1.1.1", "2600"));
    QVERIFY(rec.messages.isEmpty());
    const TcpSettings s = readTcpSettings(ini);
    QCOMPARE(s.address, QStringLiteral("10.1.1.1"));
    QCOMPARE(s.port, QStringLiteral("2600"));
  }

  void unwritableFileIsReported() {
    QVERIFY(QDir().mkpath(ini));  // a folder in the file's place cannot be written, even by root
    QCOMPARE(writeTcpSettings(ini, "1.2.3.4", "99").error, "Unable to write to " + ini);
  }
};

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "test_settings_file.moc"
