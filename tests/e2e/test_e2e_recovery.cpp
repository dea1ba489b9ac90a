// The program stays usable after what goes wrong: an "Exit" that cannot store its settings, bytes
// that fail to read while the connection closes, a window closed in the middle of a long scan, and
// replies that cannot be read.
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include "e2e/app_fixture.h"
#include "core/link/controller_link.h"
#include "core/link/reply_wait.h"
#include "core/link/controller_socket.h"
#include "gui/link/u_frmTCPIP.h"
#include "gui/panels/panel_control_area.h"
#include "core/session/session.h"
#include "core/model/system_table.h"
#include "core/storage/settings_file.h"

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
    QVERIFY(!app.w().replyWait->sessionEnded());
  }

  void unreadableHeldBytesDoNotStopTheClose_data() {
    QTest::addColumn<bool>("exit");
    QTest::addColumn<QByteArray>("held");
    QTest::addColumn<QString>("message");
    // A value that is no number; replies whose values read but whose addresses do not.
    const QByteArray badValue = "#0x06 Ret X:1=zz";
    const QByteArray badAddress = "#0x02 Ret X:1=\r4\n#0x03 Ret X:1=5";
    for (bool exit : {false, true}) {
      const char* how = exit ? "Exit" : "Disconnect the Server";
      QTest::addRow("%s, bad value", how) << exit << badValue << QStringLiteral("'zz' is not a valid integer value");
      QTest::addRow("%s, bad address", how)
          << exit << badAddress << QStringLiteral("'$0x03' is not a valid integer value");
    }
  }
  void unreadableHeldBytesDoNotStopTheClose() {
    QFETCH(bool, exit);
    QFETCH(QByteArray, held);
    QFETCH(QString, message);
    // Reading a socket that is already closed.
    QTest::failOnWarning(QRegularExpression(QStringLiteral("QIODevice")));
    AppFixture app;
    app.startProgram();
    ScriptedController controller({});
    connectTo(app, controller.port());
    QTRY_VERIFY(controller.peer());
    // Arrived and held for its line end when the operator clicks.
    auto* socket = app.w().link->findChild<ControllerSocket*>(QStringLiteral("ClientSocket1"));
    QSignalSpy arrived(socket, &ControllerSocket::readyRead);
    controller.peer()->write(held);
    QVERIFY(arrived.wait(2000));
    (exit ? app.w().btnClose : app.w().btnConn_DisConn)->click();

    QCOMPARE(app.recorder.messages, QStringList{message});
    QVERIFY(!app.w().link->isConnected());
    QCOMPARE(app.w().btnConn_DisConn->text(), QStringLiteral("Connect the Server"));
    if (exit) {
      QCOMPARE(QFileInfo(app.configFile("CurrentSetup.dat")).size(), 395776);
      QCOMPARE(readTcpSettings(settingsFilePath()).port, QString::number(controller.port()));
      QVERIFY(app.w().replyWait->sessionEnded());
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

  // Replies whose values read but whose addresses do not: the failure ends the read event alone,
  // during the poll (whose wait goes on until the operator ends it) as well as when idle.
  void unreadableAddressesEndOnlyTheirReadEvent() {
    const QByteArray badAddresses = "#0x02 Ret X:1=\r4\n#0x03 Ret X:1=5\r\n";
    const QString message = QStringLiteral("'$0x03' is not a valid integer value");
    AppFixture app;
    app.startProgram();
    ScriptedController controller(
        {kNameReply.toLatin1(), badAddresses, "#0x03 Ret X:1=1\r\n", "#0x04 Ret X:1=2\r\n", "#0x06 Ret X:1=39\r\n"});
    connectTo(app, controller.port());
    once([&] { return app.recorder.messages.size() == 1; }, [&] { app.w().btnStopWaiting->click(); });
    app.scan();
    QCOMPARE(app.recorder.messages, QStringList{message});
    QCOMPARE(controller.received.size(), 5);
    QVERIFY(FirstScanDone);
    QVERIFY(StatusShown);
    for (const auto& [slot, value] : {std::pair{2, 4}, {3, 1}, {4, 2}, {6, 39}})
      QCOMPARE(SystemArray[slot].Status, value);

    controller.peer()->write(badAddresses);
    QTRY_COMPARE(app.recorder.messages, QStringList(2, message));
    controller.peer()->write("#0x04 Ret X:1=7\r\n");
    QTRY_COMPARE(SystemArray[4].Status, 7);
    QCOMPARE(app.recorder.messages.size(), 2);
  }

  // Whatever the operator picks or types in the address list while the poll waits, the scan ends on
  // the first entry: its text, its box, and no second message for a text that cannot be read.
  void scanEndsOnTheFirstEntry_data() {
    QTest::addColumn<bool>("typed");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("picked another panel") << false << QStringList();
    QTest::newRow("typed 0x") << true << QStringList{QStringLiteral("'$' is not a valid integer value")};
  }
  void scanEndsOnTheFirstEntry() {
    QFETCH(bool, typed);
    AppFixture app;
    app.start();
    app.connectToController();
    app.scan();
    QComboBox* list = app.w().cbAddress;
    once([&] { return app.received.size() >= 8; },
         [&] {
           if (typed) {
             list->lineEdit()->selectAll();
             QTest::keyClicks(list->lineEdit(), QStringLiteral("0x"));
           } else {
             list->setCurrentIndex(3);
             emit list->activated(3);
           }
         });
    app.scan();
    QTEST(app.recorder.messages, "messages");
    QCOMPARE(list->currentText(), QStringLiteral("0x02"));
    QVERIFY(app.w().panels->gbOrv15->isVisible());
    QVERIFY(!app.w().panels->gbOrv11->isVisible());
    QVERIFY(FirstScanDone);
    QVERIFY(StatusShown);
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

  // A click is a left press and its release over the label.
  void productLabelAnswersTheLeftButtonOnly_data() {
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<QPoint>("releasedAt");  // from the label's corner; null: its middle
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("left") << Qt::LeftButton << QPoint() << QStringList{QStringLiteral("Orvane Radio Router")};
    QTest::newRow("right") << Qt::RightButton << QPoint() << QStringList();
    QTest::newRow("middle") << Qt::MiddleButton << QPoint() << QStringList();
    QTest::newRow("left, released off the label") << Qt::LeftButton << QPoint(-20, 5) << QStringList();
  }
  void productLabelAnswersTheLeftButtonOnly() {
    QFETCH(Qt::MouseButton, button);
    QFETCH(QPoint, releasedAt);
    AppFixture app;
    app.start();
    app.connectToController();
    app.scan();
    QCOMPARE(app.w().lblProdukt->text(), QStringLiteral("Orv15"));
    QTest::mousePress(app.w().lblProdukt, button);
    QTest::mouseRelease(app.w().lblProdukt, button, {}, releasedAt);
    QTEST(app.recorder.messages, "messages");
  }
};

QTEST_MAIN(TestE2eRecovery)
#include "test_e2e_recovery.moc"
