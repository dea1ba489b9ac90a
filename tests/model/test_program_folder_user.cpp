#include <QtTest>

#include "core/model/program_folder.h"

// The packaged build: the program's files lie in the user's data folder, created on demand.
class TestProgramFolderUser : public QObject {
  Q_OBJECT
  QTemporaryDir root;
  QByteArray savedHome;
  QByteArray savedDataHome;
  bool hadDataHome = false;

 private slots:
  void initTestCase() {
    QVERIFY(root.isValid());
    // Another front end shares the folder, so its name must not follow the application's.
    QCoreApplication::setApplicationName(QStringLiteral("orvctl"));
    savedHome = qgetenv("HOME");
    hadDataHome = qEnvironmentVariableIsSet("XDG_DATA_HOME");
    savedDataHome = qgetenv("XDG_DATA_HOME");
  }
  void cleanup() {
    qputenv("HOME", savedHome);
    if (hadDataHome)
      qputenv("XDG_DATA_HOME", savedDataHome);
    else
      qunsetenv("XDG_DATA_HOME");
  }

  void userDataFolder_data() {
    QTest::addColumn<QString>("home");
    QTest::addColumn<QString>("dataHome");  // "-" leaves XDG_DATA_HOME unset
    QTest::addColumn<QString>("expected");
    QTest::newRow("XDG_DATA_HOME, folders missing") << "home1"
                                                    << "data/deeper"
                                                    << "data/deeper/OrvControlClient/";
    QTest::newRow("XDG_DATA_HOME unset") << "home2"
                                         << "-"
                                         << "home2/.local/share/OrvControlClient/";
    QTest::newRow("XDG_DATA_HOME empty") << "home3"
                                         << ""
                                         << "home3/.local/share/OrvControlClient/";
  }
  void userDataFolder() {
    QFETCH(QString, home);
    QFETCH(QString, dataHome);
    QFETCH(QString, expected);
    const QString base = root.path() + u'/';
    QVERIFY(QDir().mkpath(base + home));
    qputenv("HOME", QFile::encodeName(base + home));
    if (dataHome == u'-')
      qunsetenv("XDG_DATA_HOME");
    else
      qputenv("XDG_DATA_HOME", dataHome.isEmpty() ? QByteArray() : QFile::encodeName(base + dataHome));

    QCOMPARE(defaultProgramFolder(), base + expected);
    QVERIFY(QFileInfo(base + expected).isDir());
  }
};

QTEST_GUILESS_MAIN(TestProgramFolderUser)
#include "test_program_folder_user.moc"
