#include <QAction>
#include <QElapsedTimer>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QThread>

#include <atomic>

#include "core/link/command_log.h"
#include "core/link/controller_link.h"
#include "core/storage/record_files.h"
#include "gui/userconfig/user_buttons.h"
#include "userconfig_fixture.h"

namespace {

// A controller that only listens, on this thread: what it received is read once the replay is over.
struct LocalController {
  QTcpServer server;
  QTcpSocket* peer = nullptr;
  QByteArray received;

  LocalController() {
    server.listen(QHostAddress::LocalHost, 0);
    QObject::connect(&server, &QTcpServer::newConnection, [this] {
      peer = server.nextPendingConnection();
      QObject::connect(peer, &QTcpSocket::readyRead, [this] { received += peer->readAll(); });
    });
  }
};

// A controller on its own thread, so it sees when each line reaches the wire while the
// program's thread is held by the replay.
class TimingController : public QThread {
 public:
  explicit TimingController(int lines) : lines_(lines) {}
  std::atomic<int> port{0};
  QList<qint64> arrivals;  // ms since the connection, one per complete line

 protected:
  void run() override {
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    port = server.serverPort();
    if (!server.waitForNewConnection(10000)) return;
    QTcpSocket* s = server.nextPendingConnection();
    QElapsedTimer clock;
    clock.start();
    QByteArray buffer;
    while (arrivals.size() < lines_ && s->waitForReadyRead(10000)) {
      buffer += s->readAll();
      qsizetype at;
      while ((at = buffer.indexOf('\n')) >= 0) {
        buffer.remove(0, at + 1);
        arrivals.append(clock.elapsed());
      }
    }
  }

 private:
  int lines_;
};

}  // namespace

class TestUserButtons : public QObject {
  Q_OBJECT
 private slots:
  void buttonsAreLaidOutHidden_data() {
    QTest::addColumn<int>("k");
    QTest::addColumn<QRect>("geometry");
    QTest::newRow("0") << 0 << QRect(7, 10, 143, 38);
    QTest::newRow("1") << 1 << QRect(156, 10, 143, 38);
    QTest::newRow("2") << 2 << QRect(7, 54, 143, 38);
    QTest::newRow("19") << 19 << QRect(156, 406, 143, 38);
  }
  void buttonsAreLaidOutHidden() {
    QFETCH(int, k);
    QFETCH(QRect, geometry);
    QWidget host;
    UserButtons buttons(&host, nullptr);
    QPushButton* b = host.findChild<QPushButton*>(QStringLiteral("btnUsrConf%1").arg(k));
    QVERIFY(b);
    QCOMPARE(buttons.button(k), b);
    QCOMPARE(b->geometry(), geometry);
    QCOMPARE(b->text(), u"Not configured"_qs);
    QCOMPARE(b->property("tag").toInt(), k);
    QCOMPARE(b->font().family(), u"Comic Sans MS"_qs);
    QCOMPARE(b->font().pixelSize(), 13);
    QVERIFY(b->isHidden());
    QVERIFY(!buttons.button(-1) && !buttons.button(20));

    auto* menu = host.findChild<QMenu*>(u"puUsrBtns"_qs);
    QVERIFY(menu);
    QCOMPARE(menu->actions().size(), 1);
    QCOMPARE(menu->actions().first()->objectName(), u"delBtn"_qs);
    QCOMPARE(menu->actions().first()->text(), u"Delete this button"_qs);
  }

  void refreshShowsSlotsInUseAndHidesNothing() {
    ProgramFolder folder;
    QWidget host;
    UserButtons buttons(&host, nullptr);
    UsrButtons[1].InUse = true;
    UsrButtons[1].ButtonText.set(u"R&D <b>x</b>");
    UsrButtons[4].InUse = true;
    UsrButtons[4].ButtonText.set(u"Evening");
    UsrButtons[20].InUse = true;  // the editor's spare has no button
    buttons.button(7)->setText(u"Old"_qs);
    buttons.button(7)->show();

    buttons.UpdateUsrButtons();
    QVERIFY(!buttons.button(1)->isHidden());
    QCOMPARE(buttons.button(1)->text(), u"R&&D <b>x</b>"_qs);  // "&" is no shortcut mark
    QVERIFY(!buttons.button(4)->isHidden());
    QCOMPARE(buttons.button(4)->text(), u"Evening"_qs);
    QVERIFY(!buttons.button(7)->isHidden());
    QCOMPARE(buttons.button(7)->text(), u"Old"_qs);
    QVERIFY(buttons.button(0)->isHidden());

    buttons.hideAll();
    for (int k = 0; k < MaxUsrBtns; ++k) QVERIFY(buttons.button(k)->isHidden());
  }

  void replaySendsLinesAfterTheHeader_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<QStringList>("log");
    QTest::newRow("header only") << QByteArray("Evening\r\n") << QByteArray() << QStringList{};
    QTest::newRow("set commands") << QByteArray("Evening\r\n#0x02 Set X:1=4\r\n#0x06 Set X:1=39\r\n")
                                  << QByteArray("#0x02 Set X:1=4\r\n#0x06 Set X:1=39\r\n")
                                  << QStringList{"#0x02 Set X:1=4\r\n", "#0x06 Set X:1=39\r\n"};
    QTest::newRow("empty command line") << QByteArray("Hdr\r\n\r\nfree text") << QByteArray("\r\nfree text\r\n")
                                        << QStringList{"\r\n", "free text\r\n"};
    QTest::newRow("first line is a command") << QByteArray("#0x05 Set X:1=1\n#0x06 Set X:1=2\n")
                                             << QByteArray("#0x06 Set X:1=2\r\n") << QStringList{"#0x06 Set X:1=2\r\n"};
    QTest::newRow("lone CR") << QByteArray("H\ra\rb") << QByteArray("a\r\nb\r\n") << QStringList{"a\r\n", "b\r\n"};
    QTest::newRow("UTF-8 mark") << QByteArray("\xEF\xBB\xBFH\r\n\xC3\xA6\r\n") << QByteArray("\xE6\r\n")
                                << QStringList{u"æ\r\n"_qs};
  }
  void replaySendsLinesAfterTheHeader() {
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, wire);
    QFETCH(QStringList, log);
    ProgramFolder folder;
    LocalController controller;
    CommandLog commandLog;
    ControllerLink link;
    link.setLog(&commandLog);
    link.open(u"127.0.0.1"_qs, controller.server.serverPort());
    QTRY_VERIFY(link.isConnected() && controller.peer);
    QWidget host;
    UserButtons buttons(&host, &link);
    folder.configure(3, u"Evening"_qs, file);
    // The replay goes by the button's number, not by the stored path.
    folder.writeBytes(folder.configurations() + u"decoy.txt"_qs, "H\r\ndecoy\r\n");
    UsrButtons[3].FileName.set(QString(folder.configurations() + u"decoy.txt"_qs));
    buttons.UpdateUsrButtons();

    buttons.button(3)->click();
    QCOMPARE(link.logEntries(), log);
    link.SendCommand(u"END\r\n"_qs);
    QTRY_VERIFY(controller.received.endsWith("END\r\n"));
    QCOMPARE(controller.received, wire + "END\r\n");
    QVERIFY(folder.rec.messages.isEmpty());
  }

  void replayWithoutFileOrConnection() {
    ProgramFolder folder;
    CommandLog commandLog;
    ControllerLink link;  // never connected
    link.setLog(&commandLog);
    QWidget host;
    UserButtons buttons(&host, &link);

    buttons.btnUsrConfClick(5);  // no file
    buttons.btnUsrConfClick(-1);
    buttons.btnUsrConfClick(20);
    QVERIFY(link.logEntries().isEmpty());
    QVERIFY(folder.rec.messages.isEmpty());

    folder.writeBytes(commandFilePath(5), "H\r\na\r\n");
    buttons.btnUsrConfClick(5);
    QCOMPARE(link.logEntries(), QStringList{u"a\r\n"_qs});  // logged although nothing can be sent
  }

  void unreadableFileIsReportedAndNothingSent() {
    ProgramFolder folder;
    CommandLog commandLog;
    ControllerLink link;
    link.setLog(&commandLog);
    QWidget host;
    UserButtons buttons(&host, &link);
    QDir().mkpath(commandFilePath(2));
    buttons.btnUsrConfClick(2);
    QCOMPARE(folder.rec.messages.size(), 1);
    QVERIFY(folder.rec.messages[0].startsWith(u"Cannot open file \""_qs + commandFilePath(2) + u"\". "_qs));
    QVERIFY(link.logEntries().isEmpty());
  }

  void replayPacesTheLinesOnTheWire() {
    ProgramFolder folder;
    TimingController controller(3);
    controller.start();
    QTRY_VERIFY(controller.port != 0);
    ControllerLink link;
    link.open(u"127.0.0.1"_qs, controller.port);
    QTRY_VERIFY(link.isConnected());
    QWidget host;
    UserButtons buttons(&host, &link);
    folder.writeBytes(commandFilePath(0), "H\r\na\r\nb\r\nc\r\n");

    QElapsedTimer clock;
    clock.start();
    buttons.btnUsrConfClick(0);
    QVERIFY(clock.elapsed() >= 3 * Delay - 10);  // one pause after every line, the last included
    QTRY_VERIFY_WITH_TIMEOUT(controller.isFinished(), 15000);
    QCOMPARE(controller.arrivals.size(), 3);
    // Lower bounds only: each line must leave before the next pause, not in one burst at the end.
    QVERIFY2(controller.arrivals[1] - controller.arrivals[0] >= Delay / 2,
             qPrintable(QString::number(controller.arrivals[1] - controller.arrivals[0])));
    QVERIFY(controller.arrivals[2] - controller.arrivals[1] >= Delay / 2);
  }

  void deletionHidesOnlyThatButton() {
    ProgramFolder folder;
    QWidget host;
    host.resize(330, 500);
    UserButtons buttons(&host, nullptr);
    for (int k : {4, 5, 6}) folder.configure(k, u"Btn %1"_qs.arg(k), "H\r\n");
    buttons.UpdateUsrButtons();
    host.show();

    buttons.delBtnClick();  // the menu was never opened: nothing happens
    QVERIFY(UsrButtons[4].InUse && UsrButtons[5].InUse && UsrButtons[6].InUse);

    emit buttons.button(5)->customContextMenuRequested(QPoint(3, 3));
    QCOMPARE(buttons.popupButton(), 5);
    buttons.popupMenu()->actions().first()->trigger();
    buttons.popupMenu()->close();

    QVERIFY(!UsrButtons[5].InUse);
    QCOMPARE(UsrButtons[5].ButtonText.text(), u"Btn 5"_qs);
    QCOMPARE(UsrButtons[5].FileName.text(), commandFilePath(5));
    QVERIFY(QFileInfo::exists(commandFilePath(5)));
    QVERIFY(buttons.button(5)->isHidden());
    QCOMPARE(buttons.button(5)->text(), u"Btn 5"_qs);
    QVERIFY(!buttons.button(4)->isHidden() && !buttons.button(6)->isHidden());
    QCOMPARE(buttons.button(6)->geometry(), QRect(7, 142, 143, 38));

    // Stored: slot 5 out of use with its texts, the others unchanged.
    const QByteArray stored = folder.readBytes(records::usrButtonPath());
    QCOMPARE(stored.size(), qsizetype(records::UsrButtonFileSize));
    TUsrBtnType slot5;
    std::memcpy(&slot5, stored.constData() + 5 * sizeof(TUsrBtnType), sizeof slot5);
    QVERIFY(!slot5.InUse);
    QCOMPARE(slot5.ButtonText.text(), u"Btn 5"_qs);
    QCOMPARE(slot5.FileName.text(), commandFilePath(5));
    QCOMPARE(stored[int(6 * sizeof(TUsrBtnType) + offsetof(TUsrBtnType, InUse))], char(1));
    QVERIFY(folder.rec.messages.isEmpty());
  }
};

QTEST_MAIN(TestUserButtons)
#include "test_user_buttons.moc"
