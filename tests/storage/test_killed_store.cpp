// A program killed while it stores CurrentSetup.dat leaves the previous file or the new one,
// always whole.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

class TestKilledStore : public QObject {
  Q_OBJECT
 private slots:
  void killAtRandomMomentsLeavesAWholeFile() {
    QTemporaryDir dir;
    const QString path = dir.path() + "/Configurations/CurrentSetup.dat";
    QRandomGenerator random(20240611);
    for (int round = 0; round < 20; ++round) {
      QProcess writer;
      writer.start(QCoreApplication::applicationDirPath() + "/store_loop", {dir.path()});
      QVERIFY(writer.waitForStarted());
      // Let it finish a few stores, then kill it somewhere inside the next one.
      const int stores = 1 + int(random.bounded(4));
      int seen = 0;
      while (seen < stores) {
        QVERIFY2(writer.waitForReadyRead(30000), qPrintable(writer.readAllStandardError()));
        seen += writer.readAllStandardOutput().count("stored");
      }
      QThread::usleep(random.bounded(4000));
      writer.kill();  // SIGKILL
      QVERIFY(writer.waitForFinished());

      QFile f(path);
      QVERIFY(f.open(QIODevice::ReadOnly));
      const QByteArray bytes = f.readAll();
      QCOMPARE(bytes.size(), 395776);
      QCOMPARE(bytes.count(bytes[0]), bytes.size());  // one generation, not a mix
    }
  }
};

QTEST_MAIN(TestKilledStore)
#include "test_killed_store.moc"
