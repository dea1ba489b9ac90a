#include <optional>
#include <QtTest>

#include "gui/common/operator_dialogs.h"
#include "core/model/system_table.h"
#include "core/storage/settings_file.h"
#include "support/program_state.h"
#include "support/refusing_folder.h"

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
    QTest::newRow("section and keys of other case") << QByteArray("[tcpip]\naddress=1.2.3.4\nPORT=9\n") << "1.2.3.4"
                                                    << "9";
    QTest::newRow("blanks around names") << QByteArray("  [ TCPIP ]  \n  Address  =1.2.3.4\n") << "1.2.3.4"
                                         << "2501";
    QTest::newRow("value as it stands, blanks around it dropped")
        << QByteArray("[TCPIP]\nAddress=\"C:\\x\" ;office #2\nPort= 25 \t\n") << "\"C:\\x\" ;office #2"
        << "25";
    QTest::newRow("comments are not keys")
        << QByteArray("; Address=1.1.1.1\n[TCPIP]\n;Address=2.2.2.2\n# Port=3\nAddress=4.4.4.4\n") << "4.4.4.4"
        << "2501";
    QTest::newRow("first of repeated keys and sections")
        << QByteArray("[TCPIP]\nAddress=first\nAddress=second\n[TCPIP]\nPort=7\n") << "first"
        << "2501";
    QTest::newRow("CR LF and byte-order mark") << QByteArray("\xEF\xBB\xBF[TCPIP]\r\nAddress=a\r\nPort=b\r\n") << "a"
                                               << "b";
    QTest::newRow("no line end at the end") << QByteArray("[TCPIP]\nPort=2600") << "127.0.0.1"
                                            << "2600";
    QTest::newRow("keys before any section") << QByteArray("Address=1.2.3.4\n[TCPIP]\n") << "127.0.0.1"
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
    QTest::newRow("inner blanks") << "10.0 .1"
                                  << "25 01";
    QTest::newRow("at sign") << "@Invalid()"
                             << "@ByteArray(1)";
    QTest::newRow("comment and equals signs") << "; # = [x]"
                                              << "#";
    QTest::newRow("inner tab") << "10.0\t.1"
                               << "a\tb";
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

  // Operators edit the file by hand: a store changes the two values and leaves every other byte.
  void writeChangesOnlyTheTwoValues_data() {
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("after");
    QTest::newRow("comments, other sections, CR LF, names of other case")
        << QByteArray(
               "; Station A\r\n[General]\r\nfoo = 1 ; note\r\n\r\n[tcpip]\r\n# the controller\r\naddress = "
               "10.0.0.1 ; old\r\nPORT=2501\r\nExtra=\"keep\\\\\"\r\n\r\n[Z]\r\nbar=2\r\n")
        << QByteArray(
               "; Station A\r\n[General]\r\nfoo = 1 ; note\r\n\r\n[tcpip]\r\n# the controller\r\naddress "
               "=192.168.1.20\r\nPORT=2600\r\nExtra=\"keep\\\\\"\r\n\r\n[Z]\r\nbar=2\r\n");
    QTest::newRow("no file") << QByteArray() << QByteArray("[TCPIP]\nAddress=192.168.1.20\nPort=2600\n");
    QTest::newRow("empty file") << QByteArray("") << QByteArray("[TCPIP]\nAddress=192.168.1.20\nPort=2600\n");
    QTest::newRow("no section, no line end at the end")
        << QByteArray("[General]\r\nfoo=1")
        << QByteArray("[General]\r\nfoo=1\r\n[TCPIP]\r\nAddress=192.168.1.20\r\nPort=2600\r\n");
    QTest::newRow("missing keys go after the section's last line")
        << QByteArray("[TCPIP]\n; none yet\n\n[Other]\nAddress=x\n")
        << QByteArray("[TCPIP]\n; none yet\nAddress=192.168.1.20\nPort=2600\n\n[Other]\nAddress=x\n");
    QTest::newRow("one key missing") << QByteArray("[TCPIP]\nPort=1\n")
                                     << QByteArray("[TCPIP]\nPort=2600\nAddress=192.168.1.20\n");
    QTest::newRow("first of repeated keys and sections")
        << QByteArray("[TCPIP]\nAddress=a\nAddress=b\nPort=1\n[TCPIP]\nPort=2\n")
        << QByteArray("[TCPIP]\nAddress=192.168.1.20\nAddress=b\nPort=2600\n[TCPIP]\nPort=2\n");
    QTest::newRow("byte-order mark and bytes that are not UTF-8")
        << QByteArray("\xEF\xBB\xBF[TCPIP]\nAddress=old\n[R\xE5s]\nk=\xFF\xFE\n")
        << QByteArray("\xEF\xBB\xBF[TCPIP]\nAddress=192.168.1.20\nPort=2600\n[R\xE5s]\nk=\xFF\xFE\n");
  }
  void writeChangesOnlyTheTwoValues() {
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    if (!before.isNull()) writeText(ini, before);
    QVERIFY(writeTcpSettings(ini, "192.168.1.20", "2600"));
    QCOMPARE(readText(ini), after);
    const TcpSettings s = readTcpSettings(ini);
    QCOMPARE(s.address, QStringLiteral("192.168.1.20"));
    QCOMPARE(s.port, QStringLiteral("2600"));
  }

  // A line break cannot stand in a value; the value ends there, so no line is slipped into the file.
  void lineBreakEndsTheValue() {
    writeText(ini, "[TCPIP]\nAddress=old\nPort=1\n");
    QVERIFY(writeTcpSettings(ini, "10.0.0.1\n[Other]\nAddress=evil", "2600\r\nx=1"));
    QCOMPARE(readText(ini), QByteArray("[TCPIP]\nAddress=10.0.0.1\nPort=2600\n"));
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

  // Both keys go to the file together: when it cannot be written neither changes.
  void failedWriteLeavesTheFileAsItWas() {
    const QByteArray before("[TCPIP]\nAddress=old\nPort=1\n");
    writeText(ini, before);
    QVERIFY(QFile::setPermissions(ini, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    FileResult written;
    {
      RefusingFolder refusing(dir.path(), RefusingFolder::ReadOnly);
      if (!refusing.whyNot().isEmpty()) QSKIP(qPrintable("No folder refusing new files here: " + refusing.whyNot()));
      written = writeTcpSettings(ini, "1.2.3.4", "99");
    }
    QCOMPARE(written.error, "Unable to write to " + ini);
    QCOMPARE(readText(ini), before);
  }
};

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "test_settings_file.moc"
