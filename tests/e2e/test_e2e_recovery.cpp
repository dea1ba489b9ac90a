// The program stays usable after what goes wrong: an "Exit" that cannot store its settings, bytes
// that fail to read while the connection closes, a window closed in the middle of a long scan, and
// replies that cannot be read.
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include "e2e/app_fixture.h"
#include "link/controller_link.h"
#include "link/ui/u_frmTCPIP.h"
#include "session/session.h"
#include "model/system_table.h"
#include "storage/settings_file.h"

namespace {

// A controller that answers each line it receives with the next scripted reply (none when the
// script has run out), so a test can send exactly the bytes it needs.
class ScriptedController : public QObject {
 public:
  explicit ScriptedController(QList<QByteArray> replies) : replies_(std::move(replies)) {
    QVERIFY(server_.listen(QHostAddress::LocalHost));
    connect(&server_, &QTcpServer::newConnection, this, [this] {
      peer_ = server_.nextPendingConnection();
      connect(peer_, &QTcpSocket::readyRead, this, [this] {
        while (peer_->canReadLine()) {
          received.append(peer_->readLine());
          if (!replies_.isEmpty()) peer_->write(replies_.takeFirst());
        }
      });
    });
  }
  quint16 port() const { return server_.serverPort(); }
  QTcpSocket* peer() const { return peer_; }
  QList<QByteArray> received;

 private:
  QTcpServer server_;
  QTcpSocket* peer_ = nullptr;
  QList<QByteArray> replies_;
};

void connectTo(AppFixture& app, quint16 port) {
  app.w().frmTCPIP->lePort->setText(QString::number(port));
  app.w().btnConn_DisConn->click();
  QTRY_VERIFY(app.w().link->isConnected());
}

// Runs `action` once `condition` holds, checking from the event loop, so that whatever waits
// further down the stack keeps going meanwhile.
void once(std::function<bool()> condition, std::function<void()> action) {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, condition, action] {
    if (!condition()) return;
    timer->stop();
    timer->deleteLater();
    action();
  });
  timer->start(2);
}

const QString kNameReply =
    QStringLiteral("#0xFF Ret 0x02:Name:Orv15 0x03:Name:Orv18 0x04:Name:Orv15 0x06:Name:Orv11\r\n");

}  // namespace

class TestE2eRecovery : public QObject {
  Q_OBJECT
 private slots:
  void failedExitLeavesEveryWaitWorking() {
    AppFixture app;
    app.start();
    app.connectToController();
    app.scan();
    // A folder where the settings file should be: it cannot be written.
    QVERIFY(QDir().mkpath(settingsFilePath()));
    app.w().btnClose->click();
    QCOMPARE(app.recorder.messages, QStringList{QStringLiteral("Unable to write to ") + settingsFilePath()});
    QCOMPARE(QFileInfo(app.configFile("CurrentSetup.dat")).size(), 395776);
    QVERIFY(!app.w().link->isConnected());

    // The program goes on as before: a new scan waits for the name reply and the poll for each
    // status reply, so an emptied table is found again.
    app.w().Factorydefaults1Click();
    app.received.clear();
    app.connectToController();
    app.scan();
    QCOMPARE(app.w().cbAddress->count(), 4);
    QCOMPARE(app.received.size(), 5);
    QCOMPARE(SystemArray[6].Status, app.sim().status(6).value());
    QVERIFY(!app.w().link->sessionEnded());
  }

  void unreadableHeldBytesDoNotStopTheClose_data() {
    QTest::addColumn<bool>("exit");
    QTest::newRow("Disconnect the Server") << false;
    QTest::newRow("Exit") << true;
  }
  void unreadableHeldBytesDoNotStopTheClose() {
    QFETCH(bool, exit);
    // Reading a socket that is already closed.
    QTest::failOnWarning(QRegularExpression(QStringLiteral("QIODevice")));
    AppFixture app;
    app.startProgram();
    ScriptedController controller({});
    connectTo(app, controller.port());
    QTRY_VERIFY(controller.peer());
    // Arrived and held for its line end when the operator clicks.
    auto* socket = app.w().link->findChild<QTcpSocket*>(QStringLiteral("ClientSocket1"));
    QSignalSpy arrived(socket, &QTcpSocket::readyRead);
    controller.peer()->write("#0x06 Ret X:1=zz");
    QVERIFY(arrived.wait(2000));
    (exit ? app.w().btnClose : app.w().btnConn_DisConn)->click();

    QCOMPARE(app.recorder.messages, QStringList{QStringLiteral("'zz' is not a valid integer value")});
    QVERIFY(!app.w().link->isConnected());
    QCOMPARE(app.w().btnConn_DisConn->text(), QStringLiteral("Connect the Server"));
    if (exit) {
      QCOMPARE(QFileInfo(app.configFile("CurrentSetup.dat")).size(), 395776);
      QCOMPARE(readTcpSettings(settingsFilePath()).port, QString::number(controller.port()));
      QVERIFY(app.w().link->sessionEnded());
    } else {
      QVERIFY(!app.w().btnScan->isVisible());
    }
  }

  void closingDuringALongScanSendsNoMoreAndEnds() {
    AppFixture app;
    SimOptions options;
    options.panels = manyPanels(127);
    app.start(options);
    app.connectToController();
    once([&] { return app.received.size() >= 3; }, [&] { app.w().close(); });
    const qsizetype sentAtClose = [&] {
      app.scan();  // returns once the window is closed
      return app.received.size();
    }();
    QVERIFY(!app.w().isVisible());
    QVERIFY2(sentAtClose <= 5, qPrintable(QString::number(sentAtClose)));
    QTest::qWait(150);
    QCOMPARE(app.received.size(), sentAtClose);
    QVERIFY(!QFile::exists(app.configFile("CurrentSetup.dat")));
    QVERIFY(!QFile::exists(settingsFilePath()));
  }

  void badStatusReplyStopsThePollAfterStopWaiting() {
    AppFixture app;
    app.startProgram();
    ScriptedController controller({kNameReply.toLatin1(), "#0x02 Ret X:1=4\r\n", "#0x03 Ret X:1=q\r\n"});
    connectTo(app, controller.port());
    // The bad reply leaves the wait running; the operator ends it, and the poll reads the same
    // chunk again, fails again and stops there.
    once([&] { return app.recorder.messages.size() == 1; }, [&] { app.w().btnStopWaiting->click(); });
    app.scan();
    QCOMPARE(app.recorder.messages, QStringList(2, QStringLiteral("'q' is not a valid integer value")));
    QCOMPARE(controller.received.size(), 3);  // name, 0x02, 0x03: the poll stopped at 0x03
    QCOMPARE(SystemArray[2].Status, 4);
    QVERIFY(!FirstScanDone);
  }

  void nameReplyThatCannotBeReadStopsTheScan() {
    AppFixture app;
    app.startProgram();
    ScriptedController controller({"#0xFF Ret 0x02:Name:Orv15 0xZZ:Name:Orv18 0x04:Name:Orv15\r\n"});
    connectTo(app, controller.port());
    app.scan();
    QCOMPARE(app.recorder.messages, QStringList{QStringLiteral("'0xZZ' is not a valid integer value")});
    QVERIFY(SystemArray[2].I_bruk);           // read before the failure
    QVERIFY(!SystemArray[4].I_bruk);          // after it
    QCOMPARE(controller.received.size(), 1);  // no poll
    QVERIFY(!FirstScanDone);
  }

  void replyStartingWith0xFFIsNoNameReply() {
    AppFixture app;
    app.startProgram();
    ScriptedController controller({"0xFF Ret 0x02:Name:Orv15\r\n"});
    connectTo(app, controller.port());
    app.scan();
    QVERIFY(!SystemArray[2].I_bruk);
    QCOMPARE(app.w().cbAddress->count(), 0);
    QVERIFY(FirstScanDone);
    QVERIFY(app.recorder.messages.isEmpty());
  }

  void controllerClosingAnIdleScannedProgram() {
    AppFixture app;
    app.start();
    app.connectToController();
    app.scan();
    const QStringList before = app.w().link->logEntries();
    app.sim().closeClients();
    QTRY_COMPARE(app.w().btnConn_DisConn->text(), QStringLiteral("Connect the Server"));
    QCOMPARE(app.w().link->logEntries(), before + QStringList{QStringLiteral("Client is disconnecting the server")});
    QVERIFY(app.w().btnScan->isVisible());
    QVERIFY(!app.w().btnStopWaiting->isVisible());
    QCOMPARE(app.w().cbAddress->count(), 4);
    QVERIFY(SystemArray[6].I_bruk);
    QVERIFY(FirstScanDone);
    QVERIFY(app.recorder.messages.isEmpty());
  }

  void productLabelAnswersTheLeftButtonOnly_data() {
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("left") << Qt::LeftButton << QStringList{QStringLiteral("Orvane Radio Router")};
    QTest::newRow("right") << Qt::RightButton << QStringList();
    QTest::newRow("middle") << Qt::MiddleButton << QStringList();
  }
  void productLabelAnswersTheLeftButtonOnly() {
    QFETCH(Qt::MouseButton, button);
    AppFixture app;
    app.start();
    app.connectToController();
    app.scan();
    QCOMPARE(app.w().lblProdukt->text(), QStringLiteral("Orv15"));
    QTest::mouseClick(app.w().lblProdukt, button);
    QTEST(app.recorder.messages, "messages");
  }
};

QTEST_MAIN(TestE2eRecovery)
#include "test_e2e_recovery.moc"
