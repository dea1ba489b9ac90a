#include <QtTest>

#include "core/model/program_folder.h"

// The ordinary build: the program's files lie beside the executable, wherever it was started from.
class TestProgramFolder : public QObject {
  Q_OBJECT
 private slots:
  void executablesFolderWhateverTheWorkingDirectory() {
    const QString expected = QCoreApplication::applicationDirPath() + u'/';
    QTemporaryDir elsewhere;
    QVERIFY(elsewhere.isValid());
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(elsewhere.path()));
    const QString folder = defaultProgramFolder();
    QDir::setCurrent(before);
    QCOMPARE(folder, expected);
  }
};

QTEST_GUILESS_MAIN(TestProgramFolder)
#include "test_program_folder.moc"
