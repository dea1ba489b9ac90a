#include <optional>
#include <QtTest>

#include <cstring>
#include <vector>

#include "gui/common/operator_dialogs.h"
#include "core/model/file_write.h"
#include "core/storage/record_files.h"
#include "support/file_bytes.h"
#include "support/program_state.h"

namespace {

template <class T>
QByteArray rawBytes(const T* table, int count) {
  return QByteArray(reinterpret_cast<const char*>(table), qsizetype(sizeof(T)) * count);
}

// A CurrentSetup.dat image in which every slot is in use and labelled "L<k>/<port>".
QByteArray labelledSetup() {
  std::vector<TSystemRecord> recs(SystemSlots);
  std::memset(recs.data(), 0, recs.size() * sizeof(TSystemRecord));
  for (int k = 0; k < SystemSlots; ++k) {
    recs[k].I_bruk = true;
    for (int port = 1; port <= 8; ++port) *recs[k].btnTxt(port) = QStringLiteral("L%1/%2").arg(k).arg(port);
  }
  return rawBytes(recs.data(), SystemSlots);
}

}  // namespace

class TestRecordFiles : public QObject {
  Q_OBJECT
  QTemporaryDir dir;
  DialogRecorder rec;
  std::optional<ProgramState> state;

 private slots:
  void init() {
    QVERIFY(dir.isValid());
    QDir(dir.path()).removeRecursively();
    QDir().mkpath(dir.path());
    rec = DialogRecorder();
    state.emplace(&rec, dir.path() + u'/');
    records::createConfigurationsFolder();
  }
  void cleanup() { state.reset(); }

  void pathsLieInConfigurationsOfInstalledPath() {
    QVERIFY(QFileInfo(dir.path() + "/Configurations").isDir());
    QCOMPARE(records::currentSetupPath(), dir.path() + "/Configurations/CurrentSetup.dat");
    QCOMPARE(records::tunerPath(), dir.path() + "/Configurations/Tuner.dat");
    QCOMPARE(records::usrButtonPath(), dir.path() + "/Configurations/UsrButtonSetup.dat");
    records::createConfigurationsFolder();  // again: no error
    QVERIFY(rec.messages.isEmpty());
  }

  void storesWriteTheTablesByteForByte() {
    SystemArray[0].Comment = QStringLiteral("a long comment text");
    SystemArray[0].Comment = QStringLiteral("short");  // the tail of the longer text travels along
    SystemArray[5].gap1[1] = 0xA5;
    SystemArray[127].TunerNr = -2;
    TunerArray[3].Buttons[47].Verdi = 0x12345678;
    UsrButtons[19].ButtonText = QStringLiteral("F20");
    UsrButtons[20].InUse = true;  // the spare slot is never stored

    QVERIFY(records::storeSystemSetup());
    QVERIFY(records::storeTuners());
    QVERIFY(records::storeUsrButtons());
    QVERIFY(rec.messages.isEmpty());

    const QByteArray setup = fileBytes(records::currentSetupPath());
    QCOMPARE(setup.size(), 395776);
    QCOMPARE(setup, rawBytes(SystemArray, SystemSlots));
    QVERIFY(setup.mid(1, 19).startsWith("shortg comment text"));
    const QByteArray tuner = fileBytes(records::tunerPath());
    QCOMPARE(tuner.size(), 3120);
    QCOMPARE(tuner, rawBytes(TunerArray, TunerSlots));
    const QByteArray buttons = fileBytes(records::usrButtonPath());
    QCOMPARE(buttons.size(), 5600);
    QCOMPARE(buttons, rawBytes(UsrButtons, MaxUsrBtns));

    // A second store replaces the file whole.
    SystemArray[1].Status = 7;
    QVERIFY(records::storeSystemSetup());
    QCOMPARE(fileBytes(records::currentSetupPath()), rawBytes(SystemArray, SystemSlots));
  }

  void restoreTakesOnlyLabelsOfRecordsInUse() {
    std::vector<TSystemRecord> file(SystemSlots);
    std::memset(file.data(), 0, file.size() * sizeof(TSystemRecord));
    auto fill = [&](int k, quint8 inUse) {
      file[k].I_bruk.value = inUse;
      file[k].Adresse = k;
      file[k].Status = 3;
      file[k].Navn = QStringLiteral("Orv18");
      file[k].Comment = QStringLiteral("comment");
      file[k].Btn1Txt = QStringLiteral("Antenna");
      file[k].Btn8Txt = QStringLiteral("Dummy load");
    };
    fill(0, 1);
    fill(3, 1);
    fill(4, 0);
    fill(5, 2);
    fill(127, 0xFF);
    writeFile(records::currentSetupPath(), rawBytes(file.data(), SystemSlots));

    records::restoreAtStartup();

    for (int k : {0, 3, 5, 127}) {
      QCOMPARE(SystemArray[k].Btn1Txt.text(), QStringLiteral("Antenna"));
      QCOMPARE(SystemArray[k].Btn8Txt.text(), QStringLiteral("Dummy load"));
      QVERIFY(!SystemArray[k].I_bruk);
      QVERIFY(SystemArray[k].Navn.isEmpty());
      QVERIFY(SystemArray[k].Comment.isEmpty());
      QCOMPARE(SystemArray[k].Adresse, 0);
      QCOMPARE(SystemArray[k].Status, 0);
    }
    QVERIFY(SystemArray[4].Btn1Txt.isEmpty());
    QVERIFY(SystemArray[4].Btn8Txt.isEmpty());
    QVERIFY(rec.messages.isEmpty());
  }

  void tunerDefaultsOnlyWhenTheFileIsMissing() {
    records::restoreAtStartup();
    for (const auto& tuner : TunerArray) {
      QCOMPARE(tuner.Adresse, 0);
      for (const auto& button : tuner.Buttons) {
        QCOMPARE(button.Tekst.bytes(), QByteArray("No \n config"));
        QCOMPARE(button.Verdi, 0);
      }
    }

    // A file present with empty texts keeps them empty.
    resetProgramState();
    TTunerRecord file[TunerSlots];
    std::memset(file, 0, sizeof file);
    file[1].Adresse = 9;
    file[1].Buttons[0].Tekst = QStringLiteral("40m");
    file[1].Buttons[0].Verdi = 0x80;
    file[2].Buttons[5].Tekst.length = 200;  // damaged length byte
    std::memset(file[2].Buttons[5].Tekst.chars, 'x', 11);
    writeFile(records::tunerPath(), rawBytes(file, TunerSlots));
    records::restoreAtStartup();
    QCOMPARE(TunerArray[1].Adresse, 9);
    QCOMPARE(TunerArray[1].Buttons[0].Tekst.text(), QStringLiteral("40m"));
    QCOMPARE(TunerArray[1].Buttons[0].Verdi, 0x80);
    QVERIFY(TunerArray[0].Buttons[0].Tekst.isEmpty());
    QVERIFY(TunerArray[3].Buttons[47].Tekst.isEmpty());
    QCOMPARE(TunerArray[2].Buttons[5].Tekst.text(), QStringLiteral("xxxxxxxxxxx"));
  }

  // Whole records are taken over; a missing or partial record reads as zero bytes, never as a
  // copy of the record before it; a longer file yields only the records the table holds.
  void filesOfAnyLength_data() {
    QTest::addColumn<qint64>("length");
    QTest::addColumn<int>("wholeSetupRecords");
    QTest::newRow("empty") << qint64(0) << 0;
    QTest::newRow("one record") << qint64(3092) << 1;
    QTest::newRow("cut inside record 3") << qint64(2 * 3092 + 1000) << 2;
    QTest::newRow("one byte short") << qint64(395775) << 127;
    QTest::newRow("full") << qint64(395776) << 128;
    QTest::newRow("longer than full") << qint64(395776 + 5000) << 128;
  }
  void filesOfAnyLength() {
    QFETCH(qint64, length);
    QFETCH(int, wholeSetupRecords);
    QByteArray setup = labelledSetup();
    setup.append(QByteArray(5000, '\x01'));
    writeFile(records::currentSetupPath(), setup.left(length));

    // Tuner.dat and UsrButtonSetup.dat cut at the same fraction of their full size.
    auto cut = [&](qint64 full) { return length >= 395776 ? full + (length - 395776) : full * length / 395776; };
    std::vector<TTunerRecord> tuners(TunerSlots + 1);
    std::vector<TUsrBtnType> buttons(MaxUsrBtns + 1);
    std::memset(tuners.data(), 0, tuners.size() * sizeof(TTunerRecord));
    std::memset(buttons.data(), 0, buttons.size() * sizeof(TUsrBtnType));
    for (int i = 0; i < TunerSlots + 1; ++i) tuners[i].Buttons[0] = {{}, i + 1};
    for (int i = 0; i < MaxUsrBtns + 1; ++i) {
      buttons[i].Index = i;
      buttons[i].InUse = true;
      buttons[i].ButtonText = QStringLiteral("B%1").arg(i);
    }
    writeFile(records::tunerPath(), rawBytes(tuners.data(), TunerSlots + 1).left(cut(3120)));
    writeFile(records::usrButtonPath(), rawBytes(buttons.data(), MaxUsrBtns + 1).left(cut(5600)));
    UsrButtons[20].ButtonText = QStringLiteral("spare");

    records::restoreAtStartup();

    for (int k = 0; k < SystemSlots; ++k) {
      const QString expected = k < wholeSetupRecords ? QStringLiteral("L%1/8").arg(k) : QString();
      QCOMPARE(SystemArray[k].Btn8Txt.text(), expected);
    }
    const qint64 wholeTuners = qMin<qint64>(cut(3120) / 780, TunerSlots);
    for (int i = 0; i < TunerSlots; ++i) QCOMPARE(TunerArray[i].Buttons[0].Verdi, i < wholeTuners ? i + 1 : 0);
    const qint64 wholeButtons = qMin<qint64>(cut(5600) / 280, MaxUsrBtns);
    for (int i = 0; i < MaxUsrBtns; ++i) {
      QCOMPARE(bool(UsrButtons[i].InUse), i < wholeButtons);
      QCOMPARE(UsrButtons[i].ButtonText.text(), i < wholeButtons ? QStringLiteral("B%1").arg(i) : QString());
    }
    QCOMPARE(UsrButtons[20].ButtonText.text(), QStringLiteral("spare"));
  }

  void garbageFilesAreReadWithoutHarm() {
    QRandomGenerator gen(20250);
    auto junk = [&](qsizetype size) {
      QByteArray bytes(size, Qt::Uninitialized);
      for (char& c : bytes) c = char(gen.bounded(256));
      return bytes;
    };
    writeFile(records::currentSetupPath(), junk(395776 + 17));
    const QByteArray tuner = junk(3120 - 5);
    writeFile(records::tunerPath(), tuner);
    writeFile(records::usrButtonPath(), junk(5600));

    records::restoreAtStartup();

    for (const auto& slot : SystemArray) {
      QVERIFY(!slot.I_bruk);
      for (int port = 1; port <= 8; ++port) QVERIFY(slot.btnTxt(port)->text().size() <= 255);
    }
    for (const auto& tuner : TunerArray)
      for (const auto& button : tuner.Buttons) QVERIFY(button.Tekst.text().size() <= 11);
    for (const auto& slot : UsrButtons) QVERIFY(slot.ButtonText.text().size() <= 15);
    // Three whole tuner records came in as they stood; the cut fourth reads as zero.
    QCOMPARE(rawBytes(TunerArray, TunerSlots), tuner.left(3 * 780) + QByteArray(780, '\0'));
  }

  // A file that exists but cannot be opened: no labels, tuner records zero (not the defaults),
  // user-button slots zero.
  void unreadableFiles() {
    SystemArray[2].Btn1Txt = QStringLiteral("kept");
    UsrButtons[3].InUse = true;
    UsrButtons[3].ButtonText = QStringLiteral("gone");
    for (const QString& path : {records::currentSetupPath(), records::tunerPath(), records::usrButtonPath()})
      QVERIFY(QDir().mkpath(path));  // a folder in the file's place cannot be opened, even by root
    records::restoreAtStartup();
    QCOMPARE(SystemArray[2].Btn1Txt.text(), QStringLiteral("kept"));
    for (const auto& tuner : TunerArray)
      for (const auto& button : tuner.Buttons) {
        QVERIFY(button.Tekst.isEmpty());
        QCOMPARE(button.Verdi, 0);
      }
    QVERIFY(!UsrButtons[3].InUse);
    QVERIFY(UsrButtons[3].ButtonText.isEmpty());
    QVERIFY(rec.messages.isEmpty());
  }

  void failedWriteKeepsThePreviousFile_data() {
    QTest::addColumn<int>("which");
    QTest::addColumn<qint64>("failAfter");
    QTest::newRow("CurrentSetup.dat, nothing written") << 0 << qint64(0);
    QTest::newRow("CurrentSetup.dat, half written") << 0 << qint64(200000);
    QTest::newRow("CurrentSetup.dat, last byte missing") << 0 << qint64(395775);
    QTest::newRow("Tuner.dat, half written") << 1 << qint64(1500);
    QTest::newRow("UsrButtonSetup.dat, half written") << 2 << qint64(2800);
    QTest::newRow("saved configuration, half written") << 3 << qint64(100000);
  }
  void failedWriteKeepsThePreviousFile() {
    QFETCH(int, which);
    QFETCH(qint64, failAfter);
    const QString paths[] = {records::currentSetupPath(), records::tunerPath(), records::usrButtonPath(),
                             dir.path() + "/saved config.dat"};
    const qint64 sizes[] = {395776, 3120, 5600, 395776};
    const QString path = paths[which];
    const QByteArray old(sizes[which], '\x5A');
    writeFile(path, old);

    filewrite::setWriteFunction([failAfter](QIODevice& device, const char* data, qint64 size) -> qint64 {
      const qint64 n = device.write(data, qMin(size, failAfter));
      return n < size ? -1 : n;
    });
    SystemArray[1].Btn1Txt = QStringLiteral("new");
    const FileResult result = which == 0   ? records::storeSystemSetup()
                              : which == 1 ? records::storeTuners()
                              : which == 2 ? records::storeUsrButtons()
                                           : records::writeSystemTo(path);
    QVERIFY(!result);
    QCOMPARE(fileBytes(path), old);
    QVERIFY2(result.error.startsWith("Cannot create file \"" + path + "\". "), qPrintable(result.error));
    QVERIFY(result.error.size() > path.size() + 23);  // a reason follows
    QVERIFY(rec.messages.isEmpty());                  // the caller shows it
    // No temporary is left behind.
    QCOMPARE(QDir(QFileInfo(path).path()).entryList(QDir::Files).size(), 1);
  }

  void writeToAnImpossiblePathIsReported_data() {
    QTest::addColumn<QString>("relative");
    QTest::newRow("folder missing") << "nowhere/CurrentSetup.dat";
    QTest::newRow("a folder in its place") << "Configurations/taken";
  }
  void writeToAnImpossiblePathIsReported() {
    QFETCH(QString, relative);
    const QString path = dir.path() + u'/' + relative;
    QVERIFY(QDir().mkpath(dir.path() + "/Configurations/taken"));
    const FileResult result = records::writeSystemTo(path);
    QVERIFY(!result);
    QVERIFY2(result.error.startsWith("Cannot create file \"" + path + "\". "), qPrintable(result.error));

    // The operation goes on: the next store still works.
    QVERIFY(records::storeSystemSetup());
    QCOMPARE(QFileInfo(records::currentSetupPath()).size(), 395776);
  }

  void storeAfterLabelEditOnlyWhenTheFileExists() {
    SystemArray[2].Btn3Txt = QStringLiteral("Beam");
    QVERIFY(records::storeSystemSetupIfExists());
    QVERIFY(!QFileInfo::exists(records::currentSetupPath()));
    QVERIFY(records::storeSystemSetup());
    SystemArray[2].Btn3Txt = QStringLiteral("Dipole");
    QVERIFY(records::storeSystemSetupIfExists());
    QCOMPARE(fileBytes(records::currentSetupPath()), rawBytes(SystemArray, SystemSlots));
  }

  void factoryResetThenStoreGivesZeroBytes() {
    writeFile(records::currentSetupPath(), labelledSetup());
    records::restoreAtStartup();
    QVERIFY(!SystemArray[10].Btn1Txt.isEmpty());
    SystemArray[0].Comment = QStringLiteral("comment");
    SystemArray[7].I_bruk = true;
    SystemArray[7].gap1[0] = 0xEE;
    TunerArray[0].Buttons[0].Verdi = 5;

    records::Factorydefaults();
    QVERIFY(records::storeSystemSetup());
    QCOMPARE(fileBytes(records::currentSetupPath()), QByteArray(395776, '\0'));
    QCOMPARE(TunerArray[0].Buttons[0].Verdi, 5);

    resetProgramState();
    records::restoreAtStartup();
    for (const auto& slot : SystemArray) QVERIFY(slot.Btn1Txt.isEmpty());
  }

  void workingDirectoryDoesNotMatter() {
    QTemporaryDir elsewhere;
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(elsewhere.path()));
    SystemArray[9].I_bruk = true;
    SystemArray[9].Btn2Txt = QStringLiteral("Vertical");
    const bool ok = records::storeSystemSetup() && records::storeTuners() && records::storeUsrButtons();
    resetProgramState();
    records::restoreAtStartup();
    const QStringList strays = QDir(elsewhere.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    QDir::setCurrent(before);
    QVERIFY(ok);
    QVERIFY(strays.isEmpty());
    QCOMPARE(SystemArray[9].Btn2Txt.text(), QStringLiteral("Vertical"));
  }
};

QTEST_GUILESS_MAIN(TestRecordFiles)
#include "test_record_files.moc"
