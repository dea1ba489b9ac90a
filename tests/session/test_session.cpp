// The session flow against the in-process controller, with a screen that records what it is told.
#include <QtTest>

#include <optional>

#include "controller_sim.h"
#include "core/link/command_log.h"
#include "core/link/controller_link.h"
#include "core/link/protocol.h"
#include "core/link/reply_wait.h"
#include "core/model/formatting.h"
#include "core/model/system_table.h"
#include "core/session/address_list.h"
#include "core/session/session.h"

namespace {

QString joined(const QList<int>& values) {
  QStringList parts;
  for (int v : values) parts << QString::number(v);
  return parts.join(u',');
}

// What the session tells the screen, in order, and the address list as the screen shows it.
struct RecordingScreen {
  QStringList calls;
  AddressList addresses;

  void listen(Session& session) {
    QObject::connect(&addresses, &QAbstractItemModel::modelReset,
                     [this] { calls << "setAddressList " + joined(addresses.addresses()); });
    QObject::connect(&session, &Session::productShown, [this](const QString& name, const QString& userName) {
      calls << "showProduct " + name + " / " + userName;
    });
    QObject::connect(&session, &Session::message, [this](const QString& text) { calls << "showMessage " + text; });
    QObject::connect(&session, &Session::tunerWindowsClosed, [this] { calls << "closeTunerWindows"; });
    QObject::connect(&session, &Session::statusListRemoved, [this] { calls << "RemoveStatus"; });
    QObject::connect(&session, &Session::userButtonsChanged, [this] { calls << "UpdateUsrButtons"; });
    QObject::connect(&session, &Session::panelShown,
                     [this](int slot) { calls << "VisPanel " + QString::number(slot); });
    QObject::connect(&session, &Session::panelPicked,
                     [this](int slot) { calls << "showForAddressChange " + QString::number(slot); });
    QObject::connect(&session, &Session::panelRefreshed,
                     [this](int slot) { calls << "OppdaterPanel " + QString::number(slot); });
    QObject::connect(&session, &Session::statusListBuilt, [this] { calls << "StatusScroll"; });
    QObject::connect(&session, &Session::statusListRefreshed, [this] { calls << "refreshStatusList"; });
    QObject::connect(&session, &Session::tunersRefreshed, [this] { calls << "refreshTuners"; });
  }
  // The operator types an address over the list's entry.
  void type(int address) { addresses.setShown(addresses.currentRow(), addressText(address)); }
};

void putInUse(int slot, const char* model) {
  SystemArray[slot].I_bruk = true;
  SystemArray[slot].Adresse = slot;
  SystemArray[slot].Navn = QString::fromLatin1(model);
}

}  // namespace

class TestSession : public QObject {
  Q_OBJECT

  std::unique_ptr<ControllerSim> sim;
  CommandLog log;
  std::unique_ptr<ControllerLink> link;
  std::unique_ptr<ReplyWait> wait;
  std::unique_ptr<RecordingScreen> screen;
  std::unique_ptr<Session> session;
  QStringList received;

  void startController(std::vector<SimPanel> panels) {
    SimOptions options;
    options.port = 0;
    options.echo = false;
    options.panels = std::move(panels);
    sim = std::make_unique<ControllerSim>(options);
    QVERIFY2(sim->listen(), qPrintable(sim->errorString()));
    connect(sim.get(), &ControllerSim::lineReceived, this,
            [this](const QByteArray& line) { received << QString::fromLatin1(line); });
    link->open(QStringLiteral("127.0.0.1"), sim->port());
    QTRY_VERIFY(link->isConnected());
    QTRY_COMPARE(sim->clientCount(), 1);
  }

 private slots:
  void init() {
    resetProgramState();
    received.clear();
    log.clear();
    link = std::make_unique<ControllerLink>();
    link->setLog(&log);
    wait = std::make_unique<ReplyWait>(*link);
    screen = std::make_unique<RecordingScreen>();
    session = std::make_unique<Session>(*link, *wait, screen->addresses);
    screen->listen(*session);
  }

  void cleanup() {
    session.reset();
    wait.reset();
    link.reset();
    sim.reset();
    resetProgramState();
  }

  void scanAsksNamesThenEveryPanelAndShowsTheFirst() {
    startController({{0x06, "Orv11", 0x80}, {0x02, "Orv15", 4}, {0x03, "Orv18", 2}});
    AntallTunere = 2;

    session->btnScanClick();

    QCOMPARE(received, (QStringList{"#0xFF Get Name", "#0x02 Get X", "#0x03 Get X", "#0x06 Get X"}));
    const QString user2 = SystemArray[2].BrukerDef.text();
    QCOMPARE(screen->calls,
             (QStringList{"closeTunerWindows", "RemoveStatus", "UpdateUsrButtons", "setAddressList 2,3,6",
                          "showProduct Orv15 / " + user2,
                          // each poll reply refreshes its panel as it arrives
                          "OppdaterPanel 2", "refreshTuners", "OppdaterPanel 3", "refreshTuners", "OppdaterPanel 6",
                          "refreshTuners", "VisPanel 2", "OppdaterPanel 2", "StatusScroll"}));
    QVERIFY(FirstScanDone);
    QCOMPARE(AntallTunere, 1);  // counted afresh from the name reply
    QCOMPARE(SystemArray[2].Status, 4);
    QCOMPARE(SystemArray[3].Status, 2);
    QCOMPARE(SystemArray[6].Status, 0x80);
    QVERIFY(link->logEntries().contains(QStringLiteral("Tx to server: #0x02 Get X\r\n")));
  }

  void scanWithoutPanelsShowsSlotZero() {
    startController({});
    session->btnScanClick();
    QCOMPARE(received, QStringList{"#0xFF Get Name"});
    QVERIFY(screen->calls.contains("setAddressList "));
    QCOMPARE(screen->calls.mid(screen->calls.size() - 3),
             (QStringList{"VisPanel 0", "OppdaterPanel 0", "StatusScroll"}));
    QVERIFY(FirstScanDone);
  }

  void pollAsksSlotsInUseInAscendingOrderAndAppliesReplies() {
    startController({{0x02, "Orv15", 5}, {0x07, "Orv18", 3}});
    putInUse(7, "Orv18");
    putInUse(2, "Orv15");
    putInUse(0, "Orv18");  // slot 0 is never polled
    session->OppdaterStatus();
    QCOMPARE(received, (QStringList{"#0x02 Get X", "#0x07 Get X"}));
    QCOMPARE(SystemArray[2].Status, 5);
    QCOMPARE(SystemArray[7].Status, 3);
    QVERIFY(!FirstScanDone);

    // Once the program ends, the poll sends nothing more.
    received.clear();
    wait->endSession();
    session->OppdaterStatus();
    QTest::qWait(50);
    QVERIFY(received.isEmpty());
  }

  // What the operator picked or typed while the poll waited gives way to the first entry at the end.
  void scanEndsOnTheFirstEntry() {
    startController({{0x02, "Orv15", 4}, {0x03, "Orv18", 2}});
    bool typedDuringThePoll = false;
    connect(link.get(), &ControllerLink::chunkReceived, this, [&] {
      if (received.size() == 2 && !typedDuringThePoll) {
        screen->type(3);
        typedDuringThePoll = true;
      }
    });
    session->btnScanClick();
    QVERIFY(typedDuringThePoll);
    QCOMPARE(screen->calls.mid(screen->calls.size() - 3),
             (QStringList{"VisPanel 2", "OppdaterPanel 2", "StatusScroll"}));
  }

  // The list names every panel by its Adresse, which need not be its slot: an entry stands for the
  // slot its text names.
  void addressListNamesEachPanelByItsAddress() {
    startController({{0x03, "Orv18", 1}, {0x00, "Orv15", 2}});
    putInUse(3, "Orv18");
    putInUse(10, "Orv15");
    SystemArray[10].Adresse = 0;  // as the name-reply entry 0X0A:Name:Orv15 leaves it
    putInUse(0, "Orv18");
    SystemArray[0].BrukerDef = QStringLiteral("At zero");
    session->OppdaterComboBoxer();
    QCOMPARE(screen->calls,
             (QStringList{"setAddressList 3,0", "showProduct Orv18 / " + SystemArray[3].BrukerDef.text()}));
    QCOMPARE(received, QStringList());

    screen->calls.clear();
    session->OppdaterStatus();
    QTRY_COMPARE(received, (QStringList{"#0x03 Get X", "#0x00 Get X"}));
  }

  void refreshAfterReplies_data() {
    QTest::addColumn<bool>("statusShown");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("status list hidden") << false << QStringList{"OppdaterPanel 3", "OppdaterPanel 2", "refreshTuners"};
    QTest::newRow("status list shown") << true
                                       << QStringList{"OppdaterPanel 3", "OppdaterPanel 2", "refreshStatusList",
                                                      "refreshTuners"};
  }

  void refreshAfterReplies() {
    QFETCH(bool, statusShown);
    QFETCH(QStringList, expected);
    startController({{0x02, "Orv15", 1}, {0x03, "Orv18", 1}});
    putInUse(2, "Orv15");
    putInUse(3, "Orv18");
    StatusShown = statusShown;
    // One chunk with two replies: every reply's panel in order, then the list, then the tuners.
    sim->sendRaw(ControllerSim::statusReply(3, 5) + ControllerSim::statusReply(2, 6));
    QTRY_COMPARE(screen->calls, expected);
    QCOMPARE(SystemArray[3].Status, 5);
    QCOMPARE(SystemArray[2].Status, 6);
  }

  void loadRefillsTheScreenFromTheTable_data() {
    QTest::addColumn<bool>("scannedBefore");
    QTest::addColumn<QStringList>("clearing");
    QTest::newRow("first") << false << QStringList{};
    QTest::newRow("after a scan") << true << QStringList{"closeTunerWindows", "RemoveStatus"};
  }

  void loadRefillsTheScreenFromTheTable() {
    QFETCH(bool, scannedBefore);
    QFETCH(QStringList, clearing);
    startController({{0x04, "Orv18", 8}});
    // The table as a configuration file left it.
    putInUse(4, "Orv18");
    SystemArray[4].Status = 1;
    SystemArray[4].BrukerDef = QStringLiteral("Antennas");
    FirstScanDone = scannedBefore;
    link->appendLog(QStringLiteral("earlier"));

    session->configurationLoaded();

    QCOMPARE(received, QStringList{"#0x04 Get X"});
    QCOMPARE(SystemArray[4].Status, 8);  // the controller's value replaces the file's
    const QStringList refill{"setAddressList 4", "showProduct Orv18 / Antennas",
                             "OppdaterPanel 4",  "refreshTuners",
                             "VisPanel 4",       "OppdaterPanel 4",
                             "StatusScroll"};
    QCOMPARE(screen->calls, clearing + refill);
    QCOMPARE(link->logEntries().contains(QStringLiteral("earlier")), !scannedBefore);
    QVERIFY(FirstScanDone);
  }

  void addressChangeShowsThePickedSlot_data() {
    QTest::addColumn<int>("typed");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("panel") << 5
                           << QStringList{"showProduct Orv11 / Tuner", "showForAddressChange 5", "OppdaterPanel 5"};
    QTest::newRow("above the table") << 0x80 << QStringList{};
  }

  void addressChangeShowsThePickedSlot() {
    QFETCH(int, typed);
    QFETCH(QStringList, expected);
    putInUse(5, "Orv11");
    SystemArray[5].BrukerDef = QStringLiteral("Tuner");
    screen->type(typed);
    session->cbAddressChange();
    QCOMPARE(screen->calls, expected);
  }

  void productClickDescribesTheShownModel_data() {
    QTest::addColumn<QByteArray>("model");
    QTest::addColumn<QString>("message");
    QTest::newRow("Orv0") << QByteArray("Orv0") << QString(Orv0Navn);
    QTest::newRow("Orv11") << QByteArray("Orv11") << QString(Orv11Navn);
    QTest::newRow("Orv15") << QByteArray("Orv15") << QString(Orv15Navn);
    QTest::newRow("Orv18") << QByteArray("Orv18") << QString(Orv18Navn);
    QTest::newRow("other") << QByteArray("Orv99") << QString();
  }

  void productClickDescribesTheShownModel() {
    QFETCH(QByteArray, model);
    QFETCH(QString, message);
    session->lblProduktClick();  // nothing shown yet
    putInUse(3, model.constData());
    screen->type(3);
    session->cbAddressChange();
    screen->calls.clear();
    session->lblProduktClick();
    QCOMPARE(screen->calls, QStringList{"showMessage " + message});
  }
};

QTEST_GUILESS_MAIN(TestSession)
#include "test_session.moc"
