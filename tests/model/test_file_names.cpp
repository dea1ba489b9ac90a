#include <QtTest>

#include <memory>

#include "core/model/file_names.h"
#include "core/model/system_table.h"
#include "support/file_bytes.h"

class TestFileNames : public QObject {
  Q_OBJECT

  std::unique_ptr<QTemporaryDir> dir;

  // Makes each entry in the test's folder: a trailing "/" makes a folder, anything else a file.
  QString folderHolding(const QStringList& entries) {
    const QString root = dir->path() + u'/';
    for (const QString& entry : entries) {
      if (entry.endsWith(u'/')) {
        QDir().mkpath(root + entry);
      } else {
        QDir().mkpath(QFileInfo(root + entry).path());
        writeFile(root + entry, entry.toUtf8());
      }
    }
    return root;
  }

 private slots:
  void init() {
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
  }

  void resolvesEachComponent_data() {
    QTest::addColumn<QStringList>("onDisk");
    QTest::addColumn<QString>("asked");
    QTest::addColumn<QString>("expected");
    QTest::newRow("exact") << QStringList{"Configurations/Tuner.dat"} << "Configurations/Tuner.dat"
                           << "Configurations/Tuner.dat";
    QTest::newRow("file in other case") << QStringList{"Configurations/TUNER.DAT"} << "Configurations/Tuner.dat"
                                        << "Configurations/TUNER.DAT";
    QTest::newRow("folder and file in other case")
        << QStringList{"CONFIGURATIONS/currentsetup.DAT"} << "Configurations/CurrentSetup.dat"
        << "CONFIGURATIONS/currentsetup.DAT";
    QTest::newRow("new file in a folder of other case") << QStringList{"configurations/"} << "Configurations/Tuner.dat"
                                                        << "configurations/Tuner.dat";
    QTest::newRow("exact wins over other case")
        << QStringList{"Configurations/tuner.dat", "Configurations/Tuner.dat", "configurations/"}
        << "Configurations/Tuner.dat"
        << "Configurations/Tuner.dat";
    QTest::newRow("several in other case: first in code-unit order")
        << QStringList{"Configurations/tuner.dat", "Configurations/TUNER.dat", "Configurations/Tuner.DAT"}
        << "Configurations/Tuner.dat"
        << "Configurations/TUNER.dat";
    QTest::newRow("nothing there") << QStringList{} << "Configurations/Tuner.dat"
                                   << "Configurations/Tuner.dat";
    QTest::newRow("a file is no folder") << QStringList{"configurations"} << "Configurations/Tuner.dat"
                                         << "Configurations/Tuner.dat";
    QTest::newRow("folder as the last component") << QStringList{"CONFIGURATIONS/"} << "Configurations"
                                                  << "CONFIGURATIONS";
    QTest::newRow("trailing separator kept") << QStringList{"CONFIGURATIONS/"} << "Configurations/"
                                             << "CONFIGURATIONS/";
    QTest::newRow("names beyond ASCII") << QStringList{"Konfigurasjon/ÆRØ.dat"} << "konfigurasjon/ærø.DAT"
                                        << "Konfigurasjon/ÆRØ.dat";
  }
  void resolvesEachComponent() {
    QFETCH(QStringList, onDisk);
    QFETCH(QString, asked);
    QFETCH(QString, expected);
    const QString root = folderHolding(onDisk);
    QCOMPARE(filenames::resolve(root, asked), root + expected);
    QCOMPARE(filenames::resolve(root + asked), root + expected);
    InstalledPath = root;
    QCOMPARE(filenames::programFile(asked), root + expected);
  }

  // Nothing is remembered: a file copied in while the program runs is found at its next use.
  void fileCopiedInLaterIsFound() {
    const QString root = folderHolding({"configurations/"});
    InstalledPath = root;
    QCOMPARE(filenames::programFile("Configurations/Tuner.dat"), root + "configurations/Tuner.dat");
    writeFile(root + "configurations/TUNER.DAT", "copied");
    QCOMPARE(filenames::programFile("Configurations/Tuner.dat"), root + "configurations/TUNER.DAT");
  }
};

QTEST_GUILESS_MAIN(TestFileNames)
#include "test_file_names.moc"
