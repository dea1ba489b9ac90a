#include <QTest>

#include "core/storage/command_files.h"
#include "userconfig_fixture.h"

using Lines = QStringList;
Q_DECLARE_METATYPE(CommandFile::Encoding)

class TestCommandFiles : public QObject {
  Q_OBJECT
 private slots:
  void readsEveryLineEnding_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Lines>("lines");
    QTest::newRow("empty file") << QByteArray() << Lines{};
    QTest::newRow("CR LF, final break") << QByteArray("Hdr\r\n#0x02 Set X:1=4\r\n") << Lines{"Hdr", "#0x02 Set X:1=4"};
    QTest::newRow("no final break") << QByteArray("Hdr\r\ncmd") << Lines{"Hdr", "cmd"};
    QTest::newRow("lone CR") << QByteArray("Hdr\rcmd\r") << Lines{"Hdr", "cmd"};
    QTest::newRow("lone LF") << QByteArray("Hdr\ncmd\n") << Lines{"Hdr", "cmd"};
    QTest::newRow("mixed") << QByteArray("a\r\nb\rc\nd") << Lines{"a", "b", "c", "d"};
    QTest::newRow("empty lines kept") << QByteArray("\r\n\r\ncmd\r\n\r\n") << Lines{"", "", "cmd", ""};
    QTest::newRow("LF then CR is two breaks") << QByteArray("a\n\rb") << Lines{"a", "", "b"};
    QTest::newRow("break only") << QByteArray("\r\n") << Lines{""};
    QTest::newRow("Windows-1252") << QByteArray("Kveld \xE6\xF8\xE5 \x80\r\n") << Lines{u"Kveld æøå €"_qs};
  }
  void readsEveryLineEnding() {
    QFETCH(QByteArray, bytes);
    QFETCH(Lines, lines);
    ProgramFolder folder;
    const QString path = commandFilePath(4);
    folder.writeBytes(path, bytes);
    const CommandFile file = readCommandFile(path);
    QCOMPARE(file.lines, lines);
    QCOMPARE(file.encoding, CommandFile::Cp1252);
  }

  void roundTripKeepsEncodingAndMark_data() {
    QTest::addColumn<CommandFile::Encoding>("encoding");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Lines>("lines");
    QTest::newRow("cp1252, header") << CommandFile::Cp1252 << u"Evening\n#0x02 Set X:1=4\n"_qs
                                    << QByteArray("Evening\r\n#0x02 Set X:1=4\r\n")
                                    << Lines{"Evening", "#0x02 Set X:1=4"};
    QTest::newRow("cp1252, header starting with #")
        << CommandFile::Cp1252 << u"#Night\n#0x06 Set X:1=39"_qs << QByteArray("#Night\r\n#0x06 Set X:1=39")
        << Lines{"#Night", "#0x06 Set X:1=39"};
    QTest::newRow("cp1252, empty header")
        << CommandFile::Cp1252 << u"\ncmd\n"_qs << QByteArray("\r\ncmd\r\n") << Lines{"", "cmd"};
    QTest::newRow("cp1252, unmappable") << CommandFile::Cp1252 << u"Ω€\n"_qs << QByteArray("?\x80\r\n")
                                        << Lines{u"?€"_qs};
    QTest::newRow("UTF-8 mark") << CommandFile::Utf8Bom << u"Ωmega\ncmd\n"_qs
                                << QByteArray("\xEF\xBB\xBF\xCE\xA9mega\r\ncmd\r\n") << Lines{u"Ωmega"_qs, "cmd"};
    QTest::newRow("UTF-16 LE mark") << CommandFile::Utf16LeBom << u"Ω\nc"_qs
                                    << QByteArray("\xFF\xFE\xA9\x03\r\0\n\0c\0", 10) << Lines{u"Ω"_qs, "c"};
    QTest::newRow("UTF-16 BE mark") << CommandFile::Utf16BeBom << u"Ω\nc\n"_qs
                                    << QByteArray("\xFE\xFF\x03\xA9\0\r\0\n\0c\0\r\0\n", 14) << Lines{u"Ω"_qs, "c"};
    // A second mark after the first is text: it stays through every save.
    QTest::newRow("UTF-8, text starting with a mark")
        << CommandFile::Utf8Bom << u"\uFEFFx\n"_qs << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBFx\r\n")
        << Lines{u"\uFEFFx"_qs};
    QTest::newRow("UTF-16 BE, text starting with a mark")
        << CommandFile::Utf16BeBom << u"\uFEFF\n"_qs << QByteArray("\xFE\xFF\xFE\xFF\0\r\0\n", 8)
        << Lines{u"\uFEFF"_qs};
  }
  void roundTripKeepsEncodingAndMark() {
    QFETCH(CommandFile::Encoding, encoding);
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QFETCH(Lines, lines);
    ProgramFolder folder;
    const QString path = commandFilePath(0);
    writeCommandFile(path, text, encoding);
    QCOMPARE(folder.readBytes(path), bytes);
    const CommandFile file = readCommandFile(path);
    QCOMPARE(file.lines, lines);
    QCOMPARE(file.encoding, encoding);
  }

  void pathIsBuiltFromInstalledPath() {
    ProgramFolder folder;
    QCOMPARE(commandFilePath(7), folder.dir.path() + u"/Configurations/7_UserConfig.txt"_qs);
    QCOMPARE(commandFilePath(20), folder.dir.path() + u"/Configurations/20_UserConfig.txt"_qs);
  }

  void missingFileReadsEmpty() {
    ProgramFolder folder;
    const CommandFile file = readCommandFile(commandFilePath(3));
    QVERIFY(file.lines.isEmpty());
  }

  void unreadableFileThrowsOpenMessage() {
    ProgramFolder folder;
    const QString path = commandFilePath(3);
    QDir().mkpath(path);  // exists, but is no file
    try {
      readCommandFile(path);
      QFAIL("no error");
    } catch (const OperatorError& e) {
      QVERIFY2(e.message().startsWith(u"Cannot open file \""_qs + path + u"\". "_qs), qPrintable(e.message()));
      QVERIFY(e.message().size() > path.size() + 20);  // the system's reason follows
    }
  }

  void failedWriteLeavesNoFileAndOldFileWhole() {
    ProgramFolder folder;
    QDir(folder.configurations()).removeRecursively();
    const QString path = commandFilePath(0);
    try {
      writeCommandFile(path, u"x\n"_qs, CommandFile::Cp1252);
      QFAIL("no error");
    } catch (const OperatorError& e) {
      QVERIFY2(e.message().startsWith(u"Cannot create file \""_qs + path + u"\". "_qs), qPrintable(e.message()));
    }
    QVERIFY(!QFileInfo::exists(path));
  }
};

QTEST_GUILESS_MAIN(TestCommandFiles)
#include "test_command_files.moc"
