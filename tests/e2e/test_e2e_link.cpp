// The running program against the simulated controller: connecting, scanning, the command log,
// waits that end, and the files written at exit.
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QtTest>

#include "e2e/app_fixture.h"
#include "gui/link/command_log.h"
#include "core/link/controller_link.h"
#include "gui/link/u_frmTCPIP.h"
#include "core/session/session.h"
#include "core/model/system_table.h"
#include "gui/panels/panel_control_area.h"
#include "support/file_bytes.h"
#include "gui/controls/seven_seg.h"

namespace {

QStringList comboEntries(const QComboBox* cb) {
  QStringList entries;
  for (int i = 0; i < cb->count(); ++i) entries << cb->itemText(i);
  return entries;
}

const QString kNameReply =
    QStringLiteral("#0xFF Ret 0x02:Name:Orv15 0x03:Name:Orv18 0x04:Name:Orv15 0x06:Name:Orv11\r\n");

}  // namespace

class TestE2eLink : public QObject {
  Q_OBJECT
 private slots:
  void connectAndScanFollowsTheRoad() {
    AppFixture app;
    app.start();
    app.w().btnConn_DisConn->click();
    // The caption changes before the connection is made.
    QCOMPARE(app.w().btnConn_DisConn->text(), QStringLiteral("Disconnect the Server"));
    QVERIFY(app.w().btnScan->isVisible());
    QVERIFY(!app.w().btnStopWaiting->isVisible());
    QTRY_VERIFY(app.w().link->isConnected());

    app.scan();

    QStringList expected{QStringLiteral("#0xFF Get Name\r\n"), "Rx from server: " + kNameReply};
    const QList<QPair<QString, int>> polls{{"02", 4}, {"03", 1}, {"04", 2}, {"06", 39}};
    for (const auto& [addr, value] : polls) {
      const QString request = "#0x" + addr + " Get X\r\n";
      expected << "Tx to server: " + request << request
               << QStringLiteral("Rx from server: #0x%1 Ret X:1=%2\r\n").arg(addr).arg(value);
    }
    QCOMPARE(app.w().link->logEntries(), expected);
    QCOMPARE(comboEntries(app.w().cbAddress), (QStringList{"0x02", "0x03", "0x04", "0x06"}));
    QCOMPARE(SystemArray[6].Status, 39);
    QCOMPARE(SystemArray[2].Status, 4);
    QVERIFY(FirstScanDone);
    QVERIFY(app.w().panels->gbOrv15->isVisible());
    QCOMPARE(app.w().panels->gbOrv15->title(), QStringLiteral("Orv15 @ address 0x02"));
    QVERIFY(app.recorder.messages.isEmpty());
  }

  void pollKeepsItsPause() {
    AppFixture app;
    app.start();
    app.connectToController();
    app.scan();
    QList<qint64> requests;
    for (const ReceivedLine& r : app.received)
      if (r.line.endsWith("Get X")) requests << r.ms;
    QCOMPARE(requests.size(), 4);
    for (int k = 1; k < requests.size(); ++k)
      QVERIFY2(requests[k] - requests[k - 1] >= 95, qPrintable(QString::number(requests[k] - requests[k - 1])));
  }

  // The controller runs as its own process here, as it does for real: a reply split by the
  // network arrives while this program is paused in the poll.
  void replySplitOverTwoWritesIsReadWhole() {
    AppFixture app;
    app.startControllerProcess({"--split-replies", "5"});
    app.scan();
    QCOMPARE(SystemArray[6].Status, 39);
    QCOMPARE(comboEntries(app.w().cbAddress), (QStringList{"0x02", "0x03", "0x04", "0x06"}));
    QVERIFY(app.w().link->logEntries().contains(QStringLiteral("Rx from server: #0x06 Ret X:1=39\r\n")));
    QVERIFY(app.recorder.messages.isEmpty());
  }

  void replyWithoutLineEndIsHandledAfterAMoment() {
    AppFixture app;
    app.start();
    app.connectToController();
    app.sim().sendRaw("#0x06 Ret X:1=17");
    QTRY_COMPARE(SystemArray[6].Status, 17);
    QCOMPARE(app.w().link->logEntries().last(), QStringLiteral("Rx from server: #0x06 Ret X:1=17"));
  }

  void everythingSentBeforeACloseIsHandledFirst() {
    AppFixture app;
    app.startProgram();
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    app.w().frmTCPIP->lePort->setText(QString::number(server.serverPort()));
    app.w().btnConn_DisConn->click();
    QTRY_VERIFY(server.hasPendingConnections());
    QTcpSocket* peer = server.nextPendingConnection();
    QTRY_VERIFY(app.w().link->isConnected());

    // Many reads' worth and a last reply without its line end, then the close at once.
    QByteArray sent;
    for (int k = 0; k < 20000; ++k) sent += ControllerSim::statusReply(6, k % 200);
    sent += "#0x06 Ret X:1=201";
    peer->write(sent);
    peer->disconnectFromHost();
    QTRY_VERIFY(app.w().link->logEntries().endsWith(QStringLiteral("Client is disconnecting the server")));

    QByteArray received;
    for (const QString& e : app.w().link->logEntries())
      if (e.startsWith(u"Rx from server: ")) received += e.mid(16).toLatin1();
    QCOMPARE(received.size(), sent.size());
    QCOMPARE(received, sent);
    QCOMPARE(SystemArray[6].Status, 201);
  }

  void controllerClosingDuringAWaitEndsIt() {
    AppFixture app;
    SimOptions options;
    options.noAnswer = true;
    options.closeAfter = 1;
    app.start(options);
    app.connectToController();
    app.scan();  // returns: the close ends the wait
    QCOMPARE(app.w().link->logEntries(),
             (QStringList{QStringLiteral("#0xFF Get Name\r\n"), QStringLiteral("Client is disconnecting the server")}));
    QCOMPARE(app.w().btnConn_DisConn->text(), QStringLiteral("Connect the Server"));
    QVERIFY(app.w().btnScan->isVisible());
    QVERIFY(!app.w().btnStopWaiting->isVisible());
  }

  void stopWaitingEndsAWait() {
    AppFixture app;
    SimOptions options;
    options.noAnswer = true;
    app.start(options);
    app.connectToController();
    QTimer::singleShot(50, app.w().btnStopWaiting, &QPushButton::click);
    app.scan();
    QVERIFY(FirstScanDone);
    QCOMPARE(app.w().cbAddress->count(), 0);
    QVERIFY(app.w().link->isConnected());
  }

  void waitWithoutConnectionEndsAtOnce() {
    AppFixture app;
    app.start();
    app.w().session->btnScanClick();  // never connected
    QVERIFY(FirstScanDone);
    QCOMPARE(app.w().link->logEntries(), QStringList{QStringLiteral("#0xFF Get Name\r\n")});
  }

  void disconnectClearsTheScreen() {
    AppFixture app;
    app.start();
    app.connectToController();
    app.scan();
    app.w().btnConn_DisConn->click();
    QVERIFY(app.w().link->logEntries().isEmpty());
    QCOMPARE(app.w().lbRespons->count(), 0);
    QCOMPARE(app.w().btnConn_DisConn->text(), QStringLiteral("Connect the Server"));
    QVERIFY(!app.w().btnScan->isVisible());
    QVERIFY(app.w().btnStopWaiting->isVisible());
    QVERIFY(!app.w().panels->gbOrv15->isVisible());
    QVERIFY(!FirstScanDone);
    QVERIFY(SystemArray[2].I_bruk);  // the table stays
  }

  void changedAddressIsRefusedWhileConnected() {
    AppFixture app;
    app.start();
    app.connectToController();
    app.w().frmTCPIP->leIP->setText(QStringLiteral("127.0.0.2"));
    app.w().btnConn_DisConn->click();
    QCOMPARE(app.recorder.messages, QStringList{QStringLiteral("Can't change value while socket is active")});
    QVERIFY(app.w().link->isConnected());
  }

  void badPortAndRefusedConnection() {
    AppFixture app;
    app.start();
    app.w().frmTCPIP->lePort->setText(QStringLiteral("25x"));
    app.w().btnConn_DisConn->click();
    QCOMPARE(app.recorder.messages, QStringList{QStringLiteral("'25x' is not a valid integer value")});
    QCOMPARE(app.w().btnConn_DisConn->text(), QStringLiteral("Connect the Server"));

    QTcpServer closed;  // a port that nobody listens on
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    const quint16 port = closed.serverPort();
    closed.close();
    app.recorder.messages.clear();
    app.w().frmTCPIP->lePort->setText(QString::number(port));
    app.w().btnConn_DisConn->click();
    QTRY_COMPARE(app.recorder.messages.size(), 1);
    QVERIFY2(app.recorder.messages[0].startsWith(QStringLiteral("Asynchronous socket error 111")),
             qPrintable(app.recorder.messages[0]));
    QCOMPARE(app.w().btnConn_DisConn->text(), QStringLiteral("Disconnect the Server"));
    QVERIFY(app.w().btnScan->isVisible());
  }

  void saveLogWritesEntriesWithLineEnds() {
    AppFixture app;
    app.start();
    app.w().Button9->click();
    QCOMPARE(fileBytes(app.folder() + "cmdlog.txt"), QByteArray());
    app.w().link->SendCommand(QStringLiteral("#0xFF Get Name\r\n"));
    app.w().link->appendLog(QString::fromUtf8("Rx from server: æ"));
    app.w().Button9->click();
    QCOMPARE(fileBytes(app.folder() + "cmdlog.txt"), QByteArray("#0xFF Get Name\r\n\r\nRx from server: \xE6\r\n"));
    app.w().Button3->click();
    QVERIFY(app.w().link->logEntries().isEmpty());
  }

  void exitStoresTableAndSettings() {
    AppFixture app;
    app.start();
    app.connectToController();
    app.scan();
    app.w().frmTCPIP->leIP->setText(QStringLiteral("127.0.0.1"));
    app.w().btnClose->click();
    QVERIFY(!app.w().link->isConnected());
    QCOMPARE(QFileInfo(app.configFile("CurrentSetup.dat")).size(), 395776);
    QCOMPARE(fileBytes(app.folder() + QFileInfo(QCoreApplication::applicationFilePath()).fileName() + ".INI"),
             "[TCPIP]\nAddress=127.0.0.1\nPort=" + QByteArray::number(app.sim().port()) + '\n');
  }

  void menuExitStoresNothing() {
    AppFixture app;
    app.start();
    app.w().close();
    QVERIFY(!QFile::exists(app.configFile("CurrentSetup.dat")));
  }

  void startsFromAnotherWorkingDirectory() {
    QTemporaryDir elsewhere;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(elsewhere.path());
    {
      AppFixture app;
      app.startProgram();
      QVERIFY(QDir(app.folder() + "Configurations").exists());
      QCOMPARE(app.w().windowTitle(), QStringLiteral("Orvane Control Client ver. 0.20.0.108"));
      app.w().btnClose->click();
      QVERIFY(QFile::exists(app.configFile("CurrentSetup.dat")));
    }
    QVERIFY(QDir(elsewhere.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
    QDir::setCurrent(previous);
  }

  // Every reply of a chunk refreshes the control area once, in order, between the messages an
  // unknown panel's replies give; the table holds the chunk's last values by then.
  void chunkRefreshesOncePerReplyInOrder() {
    struct Seen : DialogBackend {
      QWidget* window = nullptr;
      QStringList shown;
      void showMessage(const QString&) override {
        shown << window->findChild<TSevenSeg*>(QStringLiteral("ssOrv15"))->caption();
      }
      QString askFileName(const FileDialogRequest&) override { return {}; }
    } seen;
    AppFixture app;
    SimOptions options;
    options.panels = {{2, "Orv15", 1}, {5, "Orv0", 0}};
    app.start(options);
    app.connectToController();
    app.scan();
    QCOMPARE(app.w().panels->gbOrv15->isVisible(), true);
    seen.window = &app.w();
    dialogs::install(&seen);
    app.sim().sendRaw(
        "#0x05 Ret X:1=0\r\n#0x02 Ret X:1=3\r\n#0x05 Ret X:1=0\r\n#0x02 Ret X:1=4\r\n#0x05 Ret X:1=0\r\n");
    QTRY_COMPARE(seen.shown.size(), 3);
    dialogs::install(&app.recorder);
    QCOMPARE(seen.shown, (QStringList{"1", "4", "4"}));
  }

  void damagedRecordFilesAtStartUp_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("short") << QByteArray(5000, '\x01');
    QTest::newRow("long") << QByteArray(400000, '\x02');
    QTest::newRow("garbage") << QByteArray(395776, '\xFF');
  }
  void damagedRecordFilesAtStartUp() {
    QFETCH(QByteArray, content);
    AppFixture app;
    QDir().mkpath(app.folder() + "Configurations");
    for (const char* name : {"CurrentSetup.dat", "Tuner.dat", "UsrButtonSetup.dat"}) {
      QFile f(app.configFile(QString::fromLatin1(name)));
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write(content);
    }
    app.start();
    app.connectToController();
    app.scan();
    QCOMPARE(comboEntries(app.w().cbAddress), (QStringList{"0x02", "0x03", "0x04", "0x06"}));
    for (const TSystemRecord& r : SystemArray) QVERIFY(r.Btn1Txt.size() <= 255);
  }
};

QTEST_MAIN(TestE2eLink)
#include "test_e2e_link.moc"
