#include <optional>
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <climits>
#include <cstring>
#include <memory>
#include <utility>

#include "gui/common/operator_dialogs.h"
#include "gui/controls/seven_seg.h"
#include "core/link/command_log.h"
#include "core/link/controller_link.h"
#include "core/storage/record_files.h"
#include "gui/tuner/u_frmTuner.h"
#include "support/program_state.h"

namespace {

const QByteArray DefaultLabel("No \n config");

void setTunerDefaults() {
  for (TTunerRecord& t : TunerArray)
    for (TKnapperRecord& b : t.Buttons) {
      b.Tekst.setBytes(DefaultLabel);
      b.Verdi = 0;
    }
}

void putPanel(int slot, const char* navn, const char* brukerDef, int status, int tunerNr) {
  TSystemRecord& r = SystemArray[slot];
  r.I_bruk = true;
  r.Adresse = slot;
  r.Navn.set(QString::fromLatin1(navn));
  r.BrukerDef.set(QString::fromLatin1(brukerDef));
  r.Status = status;
  r.TunerNr = tunerNr;
}

QColor buttonText(const QPushButton* b) { return b->palette().color(QPalette::ButtonText); }

// A controller on 127.0.0.1 that the link connects to; collects what arrives.
struct FakeController {
  QTcpServer server;
  QTcpSocket* peer = nullptr;
  QByteArray received;

  bool connect(ControllerLink& link) {
    if (!server.listen(QHostAddress::LocalHost, 0)) return false;
    link.open(QStringLiteral("127.0.0.1"), server.serverPort());
    if (!server.waitForNewConnection(5000)) return false;
    peer = server.nextPendingConnection();
    QObject::connect(peer, &QTcpSocket::readyRead, [this] { received += peer->readAll(); });
    return QTest::qWaitFor([&] { return link.isConnected(); });
  }
};

}  // namespace

class TestTuner : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> dir;
  DialogRecorder rec;
  std::optional<ProgramState> state;
  CommandLog log;
  std::unique_ptr<ControllerLink> link;
  std::unique_ptr<TfrmTuner1> w1;
  std::unique_ptr<TfrmTuner2> w2;

  TfrmTuner* window(int n) { return n == 2 ? static_cast<TfrmTuner*>(w2.get()) : w1.get(); }

  void rightClick(TfrmTuner* w, int k, QPoint at = QPoint(10, 20)) {
    QTest::mouseClick(w->memoryButton(k), Qt::RightButton, {}, at);
  }
  void choose(TfrmTuner* w, const char* action) {
    w->buttonMenu()->findChild<QAction*>(QString::fromLatin1(action))->trigger();
    w->buttonMenu()->hide();
  }
  void applyText(TfrmTuner* w, const QString& line1, const QString& line2) {
    auto* le1 = w->findChild<QLineEdit*>(QStringLiteral("leLine1"));
    auto* le2 = w->findChild<QLineEdit*>(QStringLiteral("leLine2"));
    // As typed or pasted: the fields' length limit applies.
    le1->insert(line1);
    le2->insert(line2);
    QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("btnSave")), Qt::LeftButton);
  }
  QByteArray tunerFile() {
    QFile f(records::tunerPath());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }

 private slots:
  void init() {
    dir = std::make_unique<QTemporaryDir>();
    rec = DialogRecorder();
    state.emplace(&rec, dir->path() + u'/');
    records::createConfigurationsFolder();
    setTunerDefaults();
    log.clear();
    link = std::make_unique<ControllerLink>(nullptr);
    link->setLog(&log);
    w1 = std::make_unique<TfrmTuner1>(link.get());
    w2 = std::make_unique<TfrmTuner2>(link.get());
  }

  void cleanup() {
    w1.reset();
    w2.reset();
    link.reset();
    state.reset();
  }

  void openingShowsPanelAndLabels() {
    putPanel(6, "Orv11", "Orvane Feedline Extender/Tuner", 0x25, 1);
    TunerArray[0].Adresse = 6;
    TunerArray[0].Buttons[1].Tekst.set(u"R&D\nmast");
    QCOMPARE(w1->memoryButton(1)->text(), QStringLiteral("Configured"));

    w1->openWindow();
    QVERIFY(QTest::qWaitForWindowExposed(w1.get()));
    QVERIFY(Tuner1Shown);
    QVERIFY(!Tuner2Shown);
    QCOMPARE(w1->objectName(), QStringLiteral("frmTuner1"));
    QCOMPARE(w1->findChild<QGroupBox*>(QStringLiteral("gbOrv11"))->title(), QStringLiteral("Orv11 @ 0x06"));
    QCOMPARE(w1->findChild<QLabel*>(QStringLiteral("lblOrv11"))->text(),
             QStringLiteral("Orvane Feedline Extender/Tuner"));
    QCOMPARE(w1->display()->caption(), QStringLiteral("25"));
    QCOMPARE(w1->memoryButton(1)->text(), QStringLiteral("No \n config"));
    // An ampersand in a label is shown, not turned into a shortcut.
    QVERIFY(w1->memoryButton(2)->shortcut().isEmpty());
    QVERIFY(w1->memoryButton(2)->text().startsWith(QStringLiteral("R&&D\n")));
    for (const char* hidden : {"leLine1", "leLine2", "btnSave"})
      QVERIFY(!w1->findChild<QWidget*>(QString::fromLatin1(hidden))->isVisible());
    QVERIFY(w1->findChild<QWidget*>(QStringLiteral("btnClose"))->isVisible());
  }

  void openingWithAddressNamingNoPanel_data() {
    QTest::addColumn<int>("adresse");
    QTest::newRow("-1") << -1;
    QTest::newRow("128") << 128;
    QTest::newRow("INT_MIN") << INT_MIN;
    QTest::newRow("INT_MAX") << INT_MAX;
  }
  void openingWithAddressNamingNoPanel() {
    QFETCH(int, adresse);
    TunerArray[1].Adresse = adresse;
    TunerArray[1].Buttons[0].Verdi = 7;
    FakeController ctl;
    QVERIFY(ctl.connect(*link));

    w2->openWindow();
    QVERIFY(Tuner2Shown);
    QVERIFY(w2->findChild<QLabel*>(QStringLiteral("lblOrv11"))->text().isEmpty());
    QVERIFY(w2->display()->caption().isEmpty());

    QTest::mouseClick(w2->memoryButton(1), Qt::LeftButton);
    QCOMPARE(w2->display()->caption(), QStringLiteral("07"));
    rightClick(w2.get(), 1);
    choose(w2.get(), "Savenewvalue1");
    QCOMPARE(TunerArray[1].Buttons[0].Verdi, 7);

    // Nothing went out for the recall: the marker is the first thing to arrive.
    link->sendDirect(QStringLiteral("marker"));
    QTRY_COMPARE(ctl.received, QByteArray("marker"));
  }

  void labelRule_data() {
    QTest::addColumn<QString>("line1");
    QTest::addColumn<QString>("line2");
    QTest::addColumn<QByteArray>("tekst");
    QTest::newRow("first line full") << "ABCDEFGHIJK"
                                     << "dropped" << QByteArray("ABCDEFGHIJK");
    QTest::newRow("4 + 11") << "Ant1"
                            << "0123456789A" << QByteArray("Ant1\n012345");
    QTest::newRow("both empty") << ""
                                << "" << QByteArray("\n");
    QTest::newRow("second empty") << "Dipole"
                                  << "" << QByteArray("Dipole\n");
    QTest::newRow("outside code page") << QString::fromUtf8("\u65E5\u00E6") << "80m" << QByteArray("?\xE6\n80m");
    QTest::newRow("typed too long") << "ABCDEFGHIJKLMN"
                                    << "" << QByteArray("ABCDEFGHIJK");
  }
  void labelRule() {
    QFETCH(QString, line1);
    QFETCH(QString, line2);
    QFETCH(QByteArray, tekst);
    TunerArray[0].Buttons[6].Verdi = 99;
    w1->openWindow();
    rightClick(w1.get(), 7);
    QCOMPARE(KnappNr, 7);
    choose(w1.get(), "Configbutton1");
    QVERIFY(w1->findChild<QWidget*>(QStringLiteral("btnSave"))->isVisible());

    applyText(w1.get(), line1, line2);
    QCOMPARE(TunerArray[0].Buttons[6].Tekst.bytes(), tekst);
    QCOMPARE(TunerArray[0].Buttons[6].Verdi, 99);
    QCOMPARE(w1->memoryButton(7)->text(), TunerArray[0].Buttons[6].Tekst.text());
    QVERIFY(!w1->findChild<QWidget*>(QStringLiteral("leLine1"))->isVisible());
    QCOMPARE(TunerArray[1].Buttons[6].Tekst.bytes(), DefaultLabel);
    QVERIFY(!QFile::exists(records::tunerPath()));
  }

  void knappNrIsSharedByBothWindows() {
    putPanel(9, "Orv11", "", 0x10, 2);
    TunerArray[1].Adresse = 9;
    w1->openWindow();
    w2->openWindow();
    SystemArray[9].Status = 0x4D;
    rightClick(w1.get(), 5);
    choose(w1.get(), "Configbutton1");
    rightClick(w2.get(), 9);
    choose(w2.get(), "Savenewvalue1");
    QCOMPARE(TunerArray[1].Buttons[8].Verdi, 0x4D);
    QCOMPARE(w2->display()->caption(), QStringLiteral("10"));  // "Set value" leaves the display

    applyText(w1.get(), QStringLiteral("Yagi"), QStringLiteral("north"));
    QCOMPARE(TunerArray[0].Buttons[8].Tekst.bytes(), QByteArray("Yagi\nnorth"));
    QCOMPARE(TunerArray[0].Buttons[4].Tekst.bytes(), DefaultLabel);
    QCOMPARE(TunerArray[1].Buttons[8].Tekst.bytes(), DefaultLabel);
    QCOMPARE(w1->memoryButton(9)->text(), QStringLiteral("Yagi\nnorth"));
  }

  // A memory button is heard as its label and the setting it recalls, and as down once recalled.
  void memoriesAsAScreenReaderHearsThem() {
    putPanel(6, "Orv11", "Orvane Feedline Extender/Tuner", 0x25, 1);
    TunerArray[0].Adresse = 6;
    TunerArray[0].Buttons[4].Tekst.set(u"Yagi\nnorth");
    TunerArray[0].Buttons[4].Verdi = 37;
    w1->openWindow();
    QVERIFY(QTest::qWaitForWindowExposed(w1.get()));
    QAccessibleInterface* memory5 = QAccessible::queryAccessibleInterface(w1->memoryButton(5));
    QCOMPARE(memory5->text(QAccessible::Name), QStringLiteral("Memory 5: Yagi north, setting 25"));
    QVERIFY(!memory5->state().checked);
    QTest::mouseClick(w1->memoryButton(5), Qt::LeftButton);
    QVERIFY(memory5->state().checked);
    QCOMPARE(QAccessible::queryAccessibleInterface(w1->display())->text(QAccessible::Value), QStringLiteral("25"));

    // "Set value" and a new label are heard at once.
    SystemArray[6].Status = 0x40;
    rightClick(w1.get(), 5);
    choose(w1.get(), "Savenewvalue1");
    QCOMPARE(memory5->text(QAccessible::Name), QStringLiteral("Memory 5: Yagi north, setting 40"));
    rightClick(w1.get(), 5);
    choose(w1.get(), "Configbutton1");
    applyText(w1.get(), QStringLiteral("Loop"), QString());
    QCOMPARE(memory5->text(QAccessible::Name), QStringLiteral("Memory 5: Loop, setting 40"));
  }

  void rightClickOnlyOpensMenu() {
    w1->openWindow();
    QVERIFY(QTest::qWaitForWindowExposed(w1.get()));
    QTest::mouseClick(w1->memoryButton(3), Qt::MiddleButton);
    QCOMPARE(KnappNr, 0);
    QVERIFY(!w1->buttonMenu()->isVisible());

    rightClick(w1.get(), 3);
    QCOMPARE(KnappNr, 3);
    QVERIFY(w1->buttonMenu()->isVisible());
    QVERIFY(!w1->memoryButton(3)->isChecked());
    QCOMPARE(w1->display()->caption(), QStringLiteral("00"));
  }

  void popupPoint_data() {
    QTest::addColumn<QPoint>("window");
    QTest::addColumn<QRect>("button");
    QTest::addColumn<int>("mouseY");
    QTest::addColumn<QPoint>("expected");
    QTest::newRow("95 wide: half 47.5 to 48") << QPoint(100, 200) << QRect(102, 68, 95, 59) << 10 << QPoint(250, 337);
    QTest::newRow("93 wide: half 46.5 to 46") << QPoint(0, 0) << QRect(3, 3, 93, 59) << 0 << QPoint(49, 62);
    QTest::newRow("even width") << QPoint(10, 10) << QRect(200, 3, 94, 59) << 58 << QPoint(257, 130);
    QTest::newRow("scrolled above the top") << QPoint(300, 100) << QRect(3, -127, 95, 59) << 5 << QPoint(351, 37);
  }
  void popupPoint() {
    QFETCH(QPoint, window);
    QFETCH(QRect, button);
    QFETCH(int, mouseY);
    QFETCH(QPoint, expected);
    QCOMPARE(tuner::popupPoint(window, button, mouseY), expected);
  }

  void halfRoundedEven_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("half");
    for (auto [w, h] : std::initializer_list<std::pair<int, int>>{
             {95, 48}, {93, 46}, {94, 47}, {1, 0}, {3, 2}, {0, 0}, {-1, 0}, {-3, -2}})
      QTest::addRow("%d", w) << w << h;
  }
  void halfRoundedEven() {
    QFETCH(int, width);
    QFETCH(int, half);
    QCOMPARE(tuner::halfRoundedEven(width), half);
  }

  void memoryButtonLayout() {
    QCOMPARE(tuner::memoryButtonRect(1), QRect(3, 3, 95, 59));
    QCOMPARE(tuner::memoryButtonRect(2), QRect(102, 3, 95, 59));
    QCOMPARE(tuner::memoryButtonRect(6), QRect(200, 68, 95, 59));
    QCOMPARE(tuner::memoryButtonRect(48), QRect(200, 978, 95, 59));
    for (int k = 1; k <= 48; ++k) {
      QCOMPARE(w1->memoryButton(k)->objectName(), QStringLiteral("btn%1").arg(k));
      QCOMPARE(w1->memoryButton(k)->geometry(), tuner::memoryButtonRect(k));
    }
    QVERIFY(!w1->memoryButton(0) && !w1->memoryButton(49));
  }

  void recallSendsEveryClickWithoutLog() {
    putPanel(0x0A, "Orv11", "", 0, 1);
    TunerArray[0].Adresse = 0x0A;
    TunerArray[0].Buttons[2].Verdi = 37;
    FakeController ctl;
    QVERIFY(ctl.connect(*link));
    w1->openWindow();

    QTest::mouseClick(w1->memoryButton(3), Qt::LeftButton);
    QTest::mouseClick(w1->memoryButton(3), Qt::LeftButton);
    QTRY_COMPARE(ctl.received, QByteArray("#0x0A Set X:1=37\r\n#0x0A Set X:1=37\r\n"));
    QCOMPARE(w1->display()->caption(), QStringLiteral("25"));
    QVERIFY(w1->memoryButton(3)->isChecked());
    QVERIFY(link->logEntries().isEmpty());

    ctl.received.clear();
    QTest::mouseClick(w1->memoryButton(4), Qt::LeftButton);  // never set
    QTRY_COMPARE(ctl.received, QByteArray("#0x0A Set X:1=0\r\n"));
    QCOMPARE(w1->display()->caption(), QStringLiteral("00"));
    QVERIFY(w1->memoryButton(4)->isChecked());
    QVERIFY(!w1->memoryButton(3)->isChecked());
    QCOMPARE(buttonText(w1->memoryButton(4)), QColor(255, 0, 0));
    QCOMPARE(buttonText(w1->memoryButton(3)), QApplication::palette().color(QPalette::WindowText));

    // Red and pressed stay across closing and reopening.
    w1->close();
    QVERIFY(!Tuner1Shown);
    w1->openWindow();
    QVERIFY(w1->memoryButton(4)->isChecked());
    QCOMPARE(buttonText(w1->memoryButton(4)), QColor(255, 0, 0));
    QCOMPARE(Orv11APos, 0);
  }

  // The memories are one stop of the Tab chain; the arrows walk the three columns without
  // recalling anything; Space, Enter and the accessibility action recall like a click.
  void memoriesFromTheKeyboardAndTheirAction() {
    putPanel(0x0A, "Orv11", "", 0, 1);
    TunerArray[0].Adresse = 0x0A;
    TunerArray[0].Buttons[4].Verdi = 0x21;
    TunerArray[0].Buttons[5].Verdi = 0x22;
    TunerArray[0].Buttons[8].Verdi = 0x25;
    FakeController ctl;
    QVERIFY(ctl.connect(*link));
    w1->openWindow();
    QVERIFY(QTest::qWaitForWindowActive(w1.get()));

    w1->memoryButton(1)->setFocus(Qt::TabFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QCOMPARE(QApplication::focusWidget(), w1->memoryButton(5));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);  // the first row has none above
    QCOMPARE(QApplication::focusWidget(), w1->memoryButton(2));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    const QString shownBefore = w1->display()->caption();
    QCOMPARE(QApplication::focusWidget(), w1->memoryButton(5));
    for (int k = 1; k <= tuner::MemoryButtons; ++k) QVERIFY(!w1->memoryButton(k)->isChecked());
    QCOMPARE(w1->display()->caption(), shownBefore);

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QTRY_COMPARE(ctl.received, QByteArray("#0x0A Set X:1=33\r\n"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTRY_COMPARE(ctl.received, QByteArray("#0x0A Set X:1=33\r\n#0x0A Set X:1=34\r\n"));
    QVERIFY(w1->memoryButton(6)->isChecked());

    // Tab leaves the memories: they are a single stop.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    for (int k = 1; k <= tuner::MemoryButtons; ++k) QVERIFY(QApplication::focusWidget() != w1->memoryButton(k));

    QAccessibleActionInterface* action = QAccessible::queryAccessibleInterface(w1->memoryButton(9))->actionInterface();
    QVERIFY(action);
    QVERIFY(!action->actionNames().contains(QAccessibleActionInterface::toggleAction()));
    action->doAction(QAccessibleActionInterface::pressAction());
    QTRY_COMPARE(ctl.received.right(18), QByteArray("#0x0A Set X:1=37\r\n"));
    QVERIFY(w1->memoryButton(9)->isChecked());
    QCOMPARE(w1->display()->caption(), QStringLiteral("25"));
  }

  void recallWithoutConnection_data() {
    QTest::addColumn<int>("tunerNr");
    QTest::addColumn<int>("orv11APos");
    QTest::newRow("window 1 leaves Orv11APos") << 1 << 0;
    QTest::newRow("window 2 sets Orv11APos") << 2 << 200;
  }
  void recallWithoutConnection() {
    QFETCH(int, tunerNr);
    QFETCH(int, orv11APos);
    TunerArray[tunerNr - 1].Adresse = 3;
    TunerArray[tunerNr - 1].Buttons[47].Verdi = 200;
    TfrmTuner* w = window(tunerNr);
    w->openWindow();
    QTest::mouseClick(w->memoryButton(48), Qt::LeftButton);
    QCOMPARE(w->display()->caption(), QStringLiteral("C8"));
    QCOMPARE(buttonText(w->memoryButton(48)), QColor(255, 0, 0));
    QCOMPARE(Orv11APos, orv11APos);
    QVERIFY(rec.messages.isEmpty());
  }

  void closeBoxKeepsFileCloseWritesBoth() {
    putPanel(4, "Orv11", "", 0x31, 2);
    TunerArray[1].Adresse = 4;
    QVERIFY(records::storeTuners());
    const QByteArray before = tunerFile();
    w1->openWindow();
    w2->openWindow();

    rightClick(w1.get(), 2);
    choose(w1.get(), "Configbutton1");
    applyText(w1.get(), QStringLiteral("Loop"), QString());
    rightClick(w2.get(), 12);
    choose(w2.get(), "Savenewvalue1");
    w1->close();
    w2->close();
    QVERIFY(!Tuner1Shown && !Tuner2Shown);
    QCOMPARE(tunerFile(), before);

    w2->openWindow();
    QTest::mouseClick(w2->findChild<QPushButton*>(QStringLiteral("btnClose")), Qt::LeftButton);
    QVERIFY(!w2->isVisible());
    QVERIFY(!Tuner2Shown);
    const QByteArray after = tunerFile();
    QCOMPARE(after.size(), records::TunerFileSize);
    QCOMPARE(after, QByteArray(reinterpret_cast<const char*>(TunerArray), sizeof TunerArray));
    QCOMPARE(after.mid(12 + 16 * 1, 6), QByteArray("\x05Loop\n", 6));
    qint32 verdi = 0;
    std::memcpy(&verdi, after.constData() + 780 + 12 + 16 * 11 + 12, 4);
    QCOMPARE(verdi, 0x31);
  }

  void oppdaterTunerTakesPanelWithItsNumber() {
    putPanel(0, "Orv11", "", 0x11, 1);  // slot 0 is never looked at
    putPanel(5, "Orv11", "", 0x22, 1);
    SystemArray[5].I_bruk = false;
    putPanel(9, "Orv11", "", 0xAB, 1);
    putPanel(10, "Orv11", "", 0x3, 2);
    w1->setDisplay(QStringLiteral("00"));
    w2->setDisplay(QStringLiteral("00"));
    w1->OppdaterTuner();
    w2->OppdaterTuner();
    QCOMPARE(w1->display()->caption(), QStringLiteral("AB"));
    QCOMPARE(w2->display()->caption(), QStringLiteral("03"));

    SystemArray[9].I_bruk = false;
    w1->setDisplay(QStringLiteral("00"));
    w1->OppdaterTuner();
    QCOMPARE(w1->display()->caption(), QStringLiteral("00"));
  }
};

QTEST_MAIN(TestTuner)
#include "test_tuner.moc"
