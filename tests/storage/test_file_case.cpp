// Setup files copied in from a system that ignores letter case are read, and replaced where they
// lie, under whatever case they carry.
#include <optional>
#include <QtTest>

#include <cstring>
#include <functional>

#include "gui/common/operator_dialogs.h"
#include "core/storage/record_files.h"
#include "core/storage/settings_file.h"
#include "support/file_bytes.h"
#include "support/namesakes.h"
#include "support/program_state.h"

namespace {

// One of the program's own files: its name as the program spells it, what lies in it before the
// test, whether reading through the program saw that content, and a store through the program
// that returns the bytes it must leave in the file.
struct OwnFile {
  QString name;
  std::function<QByteArray()> before;
  std::function<bool()> readBack;
  std::function<QByteArray()> store;
};

QString iniName() { return QFileInfo(QCoreApplication::applicationFilePath()).fileName() + QStringLiteral(".INI"); }

OwnFile ownFile(const QString& kind) {
  if (kind == "setup")
    return {"Configurations/CurrentSetup.dat",
            [] {
              SystemArray[3].I_bruk = true;
              SystemArray[3].Btn7Txt = QStringLiteral("Beverage");
              const QByteArray bytes = tableBytes(SystemArray);
              resetProgramState();
              return bytes;
            },
            [] {
              records::restoreAtStartup();
              return SystemArray[3].Btn7Txt.text() == QStringLiteral("Beverage");
            },
            [] {
              SystemArray[3].Btn7Txt = QStringLiteral("Dipole");
              // The store after a label edit writes only over a file that is there.
              return records::storeSystemSetupIfExists() ? tableBytes(SystemArray) : QByteArray();
            }};
  if (kind == "tuner")
    return {"Configurations/Tuner.dat",
            [] {
              TunerArray[0].Buttons[4].Verdi = 39;
              const QByteArray bytes = tableBytes(TunerArray);
              resetProgramState();
              return bytes;
            },
            [] {
              records::restoreAtStartup();
              // A missing file would have given every button the "No config" default.
              return TunerArray[0].Buttons[4].Verdi == 39 && TunerArray[0].Buttons[0].Tekst.text().isEmpty();
            },
            [] {
              TunerArray[0].Buttons[4].Verdi = 40;
              return records::storeTuners() ? tableBytes(TunerArray) : QByteArray();
            }};
  if (kind == "user buttons")
    return {"Configurations/UsrButtonSetup.dat",
            [] {
              UsrButtons[2].InUse = true;
              UsrButtons[2].ButtonText = QStringLiteral("Tune");
              const QByteArray bytes = tableBytes(UsrButtons, MaxUsrBtns);
              resetProgramState();
              return bytes;
            },
            [] {
              records::restoreAtStartup();
              return UsrButtons[2].InUse && UsrButtons[2].ButtonText.text() == QStringLiteral("Tune");
            },
            [] {
              UsrButtons[2].ButtonText = QStringLiteral("Contest");
              return records::storeUsrButtons() ? tableBytes(UsrButtons, MaxUsrBtns) : QByteArray();
            }};
  return {iniName(), [] { return QByteArray("[TCPIP]\nAddress=10.1.2.3\n"); },
          [] { return readTcpSettings(settingsFilePath()).address == QStringLiteral("10.1.2.3"); },
          [] {
            if (!writeTcpSettings(settingsFilePath(), "10.9.9.9", "2600")) return QByteArray();
            return QByteArray("[TCPIP]\nAddress=10.9.9.9\nPort=2600\n");
          }};
}

}  // namespace

class TestFileCase : public QObject {
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
  }
  void cleanup() { state.reset(); }

  void fileOfAnyCaseIsReadAndReplacedInPlace_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("onDisk");
    QTest::newRow("setup, folder and file in other case") << "setup"
                                                          << "configurations/currentsetup.DAT";
    QTest::newRow("setup, exact case") << "setup"
                                       << "Configurations/CurrentSetup.dat";
    QTest::newRow("tuner, all capitals") << "tuner"
                                         << "CONFIGURATIONS/TUNER.DAT";
    QTest::newRow("tuner, file only") << "tuner"
                                      << "Configurations/tuner.dat";
    QTest::newRow("user buttons, as start-up spells it") << "user buttons"
                                                         << "Configurations/usrButtonSetup.dat";
    QTest::newRow("user buttons, folder only") << "user buttons"
                                               << "configurations/UsrButtonSetup.dat";
    QTest::newRow("settings") << "settings" << iniName().toLower();
  }
  void fileOfAnyCaseIsReadAndReplacedInPlace() {
    QFETCH(QString, kind);
    QFETCH(QString, onDisk);
    const OwnFile file = ownFile(kind);
    QDir().mkpath(QFileInfo(InstalledPath + onDisk).path());
    writeFile(InstalledPath + onDisk, file.before());

    records::createConfigurationsFolder();  // as start-up does
    QVERIFY(file.readBack());
    const QByteArray stored = file.store();
    QVERIFY(!stored.isEmpty());
    QVERIFY2(rec.messages.isEmpty(), qPrintable(rec.messages.join(u'\n')));

    // Each folder on the way and the file itself exist once, spelled as they were found.
    QString folder = InstalledPath;
    const QStringList programParts = file.name.split(u'/');
    const QStringList diskParts = onDisk.split(u'/');
    for (qsizetype i = 0; i < programParts.size(); ++i) {
      QCOMPARE(namesakes(folder, programParts[i]), QStringList{diskParts[i]});
      folder += diskParts[i] + u'/';
    }
    QCOMPARE(namesakes(InstalledPath, "Configurations").size(), 1);
    QCOMPARE(fileBytes(InstalledPath + onDisk), stored);
  }

  void newFilesTakeTheProgramsNamesInTheFolderFound() {
    QDir().mkpath(InstalledPath + "CONFIGURATIONS");
    records::createConfigurationsFolder();
    QVERIFY(records::storeSystemSetup());
    QVERIFY(records::storeTuners());
    QVERIFY(records::storeUsrButtons());
    QCOMPARE(QDir(InstalledPath).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"CONFIGURATIONS"});
    QCOMPARE(QDir(InstalledPath + "CONFIGURATIONS").entryList(QDir::Files),
             (QStringList{"CurrentSetup.dat", "Tuner.dat", "UsrButtonSetup.dat"}));
  }
};

QTEST_GUILESS_MAIN(TestFileCase)
#include "test_file_case.moc"
