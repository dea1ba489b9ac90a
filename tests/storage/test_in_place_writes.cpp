// Every file the program stores is replaced in place where its folder refuses new files but the
// file itself may be written: a read-only or immutable folder, some network shares.
#include <optional>
#include <QtTest>

#include <functional>

#include "gui/common/operator_dialogs.h"
#include "core/link/command_log.h"
#include "core/model/file_names.h"
#include "core/model/operator_error.h"
#include "core/storage/record_files.h"
#include "core/storage/settings_file.h"
#include "support/file_bytes.h"
#include "support/program_state.h"
#include "support/refusing_folder.h"
#include "core/storage/command_files.h"

Q_DECLARE_METATYPE(RefusingFolder::Kind)

namespace {

// One store of the program: the file it writes, what lies there before, and the store itself,
// which returns the error it reported ("" when none) and leaves in `expected` the bytes the file
// must then hold.
struct Store {
  QString path;
  std::function<QString(QByteArray& expected)> run;
  QByteArray before = QByteArray(7, 'o');
};

Store storeOf(const QString& what) {
  if (what == "tuner window Close")
    return {records::tunerPath(), [](QByteArray& expected) {
              TunerArray[1].Buttons[7].Verdi = 200;
              expected = tableBytes(TunerArray);
              return records::storeTuners().error;
            }};
  if (what == "Apply text")
    return {records::currentSetupPath(), [](QByteArray& expected) {
              SystemArray[4].Btn2Txt = QStringLiteral("Dipole");
              expected = tableBytes(SystemArray);
              return records::storeSystemSetupIfExists().error;
            }};
  if (what == "Exit, record file")
    return {records::currentSetupPath(), [](QByteArray& expected) {
              SystemArray[9].I_bruk = true;
              expected = tableBytes(SystemArray);
              return records::storeSystemSetup().error;
            }};
  if (what == "Exit, settings file")
    return {settingsFilePath(),
            [](QByteArray& expected) {
              expected = "[TCPIP]\nAddress=10.9.9.9\nPort=2600\n";
              return writeTcpSettings(settingsFilePath(), "10.9.9.9", "2600").error;
            },
            "[TCPIP]\nAddress=10.1.1.1\nPort=2501\n"};
  if (what == "Save entry, command file")
    return {commandFilePath(3), [](QByteArray& expected) {
              expected = "Evening\r\n#0x02 Set X:1=4\r\n";
              try {
                writeCommandFile(commandFilePath(3), "Evening\n#0x02 Set X:1=4\n", CommandFile::Cp1252);
              } catch (const OperatorError& e) {
                return e.message();
              }
              return QString();
            }};
  if (what == "Save entry or deletion, user buttons")
    return {records::usrButtonPath(), [](QByteArray& expected) {
              UsrButtons[2].InUse = true;
              expected = tableBytes(UsrButtons, MaxUsrBtns);
              return records::storeUsrButtons().error;
            }};
  if (what == "Save log")
    return {filenames::programFile("cmdlog.txt"), [](QByteArray& expected) {
              CommandLog log;
              log.append("#0xFF Get Name");
              expected = "#0xFF Get Name\r\n";
              return log.save(filenames::programFile("cmdlog.txt"));
            }};
  return {InstalledPath + "field day.dat", [](QByteArray& expected) {
            SystemArray[0].Comment = QStringLiteral("Field day");
            expected = tableBytes(SystemArray);
            return records::writeSystemTo(InstalledPath + "field day.dat").error;
          }};
}

}  // namespace

class TestInPlaceWrites : public QObject {
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

  void storesReplaceTheFileInAFolderThatRefusesNewFiles_data() {
    QTest::addColumn<QString>("what");
    QTest::addColumn<RefusingFolder::Kind>("kind");
    for (const char* what :
         {"tuner window Close", "Apply text", "Exit, record file", "Exit, settings file", "Save entry, command file",
          "Save entry or deletion, user buttons", "Save log", "saved configuration"}) {
      QTest::addRow("%s, read-only folder", what) << QString::fromLatin1(what) << RefusingFolder::ReadOnly;
      QTest::addRow("%s, immutable folder", what) << QString::fromLatin1(what) << RefusingFolder::Immutable;
    }
  }
  void storesReplaceTheFileInAFolderThatRefusesNewFiles() {
    QFETCH(QString, what);
    QFETCH(RefusingFolder::Kind, kind);
    const Store store = storeOf(what);
    writeFile(store.path, store.before);
    const QString folder = QFileInfo(store.path).path();
    const QStringList entriesBefore = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);

    QByteArray expected;
    QString error;
    {
      RefusingFolder refusing(folder, kind);
      if (!refusing.whyNot().isEmpty()) QSKIP(qPrintable("No folder refusing new files here: " + refusing.whyNot()));
      error = store.run(expected);
    }
    QCOMPARE(error, QString());
    QCOMPARE(fileBytes(store.path), expected);
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), entriesBefore);
  }

  // With no file to write over there is nothing to replace in place: the store fails as before.
  void newFileInAFolderThatRefusesNewFilesIsReported() {
    QString error;
    {
      RefusingFolder refusing(records::configurationsFolder(), RefusingFolder::ReadOnly);
      if (!refusing.whyNot().isEmpty()) QSKIP(qPrintable("No folder refusing new files here: " + refusing.whyNot()));
      error = records::storeTuners().error;
    }
    QVERIFY2(error.startsWith("Cannot create file \"" + records::tunerPath() + "\". "), qPrintable(error));
    QVERIFY(!QFileInfo::exists(records::tunerPath()));
  }
};

QTEST_GUILESS_MAIN(TestInPlaceWrites)
#include "test_in_place_writes.moc"
