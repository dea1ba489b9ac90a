#include <optional>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QAccessible>
#include <QApplication>
#include <QtTest>

#include <memory>

#include "gui/common/operator_dialogs.h"
#include "gui/controls/accessibility.h"
#include "gui/controls/seven_seg.h"
#include "gui/panels/latch_button.h"
#include "gui/panels/panel_control_area.h"
#include "panels/panel_host.h"
#include "core/storage/record_files.h"
#include "support/program_state.h"

namespace {

// The notifications the program announced: what each says and the control carrying it.
QList<QPair<QString, QObject*>> announcements;

void recordAnnouncement(QAccessibleEvent* event) {
  QAccessibleInterface* iface = event->accessibleInterface();
  if (event->type() == QAccessible::ObjectShow && iface && iface->role() == QAccessible::Notification)
    announcements.append({iface->text(QAccessible::Name), iface->parent() ? iface->parent()->object() : nullptr});
}

}  // namespace

class TestPanelControlArea : public QObject {
  Q_OBJECT

  std::unique_ptr<PanelHost> host;
  std::unique_ptr<PanelControlArea> area;
  DialogRecorder dialogsSeen;
  std::optional<ProgramState> state;
  QList<QPair<int, QString>> tunerDisplays;

  template <class W = QWidget>
  W* find(const char* name) {
    W* w = host->window.findChild<W*>(QString::fromLatin1(name));
    if (!w) qFatal("no control %s", name);
    return w;
  }
  TSevenSeg* display(const char* name) { return find<TSevenSeg>(name); }
  QString labelText(const QString& name) { return find<QLabel>(name.toLatin1().constData())->text(); }
  // Selects the slot the way the operator does, then shows its box.
  void select(int slot) {
    host->listSlots({slot}, slot);
    area->showForAddressChange(slot);
    area->OppdaterPanel(slot);
  }

 private slots:
  void init() {
    dialogsSeen = DialogRecorder();
    state.emplace(&dialogsSeen);
    host = std::make_unique<PanelHost>();
    area = std::make_unique<PanelControlArea>(&host->window, &host->link, &host->addresses);
    tunerDisplays.clear();
    connect(area.get(), &PanelControlArea::tunerDisplayChanged, this, [this](int nr, const QString& caption) {
      tunerDisplays.append({nr, caption});
    });
    area->placeFrames();
    host->window.show();
  }
  void cleanup() {
    area.reset();
    host.reset();
    state.reset();
  }

  void boxesStartHiddenAtTheirPlace() {
    for (QGroupBox* gb : {area->gbOrv0, area->gbOrv11, area->gbOrv15, area->gbOrv18}) {
      QVERIFY(!gb->isVisible());
      QCOMPARE(gb->pos(), QPoint(8, 8));
      QCOMPARE(gb->parentWidget(), &host->window);
    }
    QCOMPARE(area->gbOrv0->size(), QSize(165, 242));
    QCOMPARE(area->gbOrv18->size(), QSize(526, 242));
    QCOMPARE(area->gbOrv0->title(), QStringLiteral(" Orv0"));
    QVERIFY(!find("edtOrv18Text")->isVisible());
    QVERIFY(!find("btnOrv15Text")->isVisible());
    QCOMPARE(find("sbOrv18_8")->geometry(), QRect(452, 142, 60, 90));
    QCOMPARE(find("spOrv11_1NN")->geometry(), QRect(206, 142, 60, 90));
    QCOMPARE(find("ssOrv11")->geometry(), QRect(11, 49, 120, 90));
    QCOMPARE(find("lblOrv15Btn7")->pos(), QPoint(301, 94));
    QCOMPARE(find("lblOrv18Btn4")->pos(), QPoint(109, 119));
    QCOMPARE(find("edtOrv15Text")->geometry(), QRect(269, 23, 166, 26));
  }

  void stepButtons_data() {
    QTest::addColumn<int>("start");
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("expected");
    QTest::newRow("250 +") << 250 << "sbOrv11_1P" << 251;
    QTest::newRow("250 ++") << 250 << "sbOrv11_1pp" << 255;
    QTest::newRow("238 ++") << 238 << "sbOrv11_1pp" << 254;
    QTest::newRow("240 ++") << 240 << "sbOrv11_1pp" << 255;
    QTest::newRow("10 --") << 10 << "spOrv11_1NN" << 0;
    QTest::newRow("10 -") << 10 << "sbOrv11_1M" << 9;
    QTest::newRow("10 +") << 10 << "sbOrv11_1P" << 11;
    QTest::newRow("0 -") << 0 << "sbOrv11_1M" << 0;
    QTest::newRow("16 --") << 16 << "spOrv11_1NN" << 0;
    QTest::newRow("17 --") << 17 << "spOrv11_1NN" << 1;
    QTest::newRow("255 + still sends") << 255 << "sbOrv11_1P" << 255;
    // Settings reported outside the tuner's range are brought back into it.
    QTest::newRow("300 -") << 300 << "sbOrv11_1M" << 255;
    QTest::newRow("-5 +") << -5 << "sbOrv11_1P" << 0;
  }
  void stepButtons() {
    QFETCH(int, start);
    QFETCH(QString, button);
    QFETCH(int, expected);
    putPanel(6, "Orv11", start, 1);
    select(6);
    host->link.clearLog();

    auto* b = find<TLatchButton>(button.toLatin1().constData());
    QTest::mouseClick(b, Qt::LeftButton);
    QCOMPARE(SystemArray[6].Status, expected);
    QCOMPARE(Orv11APos, expected);
    QCOMPARE(display("ssOrv11")->caption(), hexText(expected, 2));
    QCOMPARE(host->link.logEntries(), QStringList{QStringLiteral("Tx to server: #0x06 Set X:1=%1\r\n").arg(expected)});
    QVERIFY(b->isChecked());

    // The caption label steps again without moving the down button.
    find<TLatchButton>("sbOrv11_1pp")->setChecked(true);
    QTest::mouseClick(find(("lbl" + button).toLatin1().constData()), Qt::LeftButton);
    QCOMPARE(host->link.logEntries().size(), 2);
    QVERIFY(find<TLatchButton>("sbOrv11_1pp")->isChecked());
  }

  void stepsFollowTheWorkingCopyNotTheSelectedStatus() {
    putPanel(6, "Orv11", 10, 1);
    putPanel(7, "Orv11", 200, 2);
    select(6);
    area->OppdaterPanel(7);  // a reply from the other tuner
    QCOMPARE(display("ssOrv11")->caption(), QStringLiteral("C8"));
    area->sbOrv11_1PClick();
    QCOMPARE(SystemArray[6].Status, 201);
    QCOMPARE(SystemArray[7].Status, 200);
  }

  void portClicks_data() {
    QTest::addColumn<QString>("model");
    QTest::addColumn<int>("port");
    QTest::newRow("Orv18 port 5") << "Orv18" << 5;
    QTest::newRow("Orv18 port 1") << "Orv18" << 1;
    QTest::newRow("Orv15 port 8") << "Orv15" << 8;
  }
  void portClicks() {
    QFETCH(QString, model);
    QFETCH(int, port);
    putPanel(3, model.toLatin1().constData(), 2);
    select(3);
    host->link.clearLog();
    const QByteArray button = QStringLiteral("sb%1_%2").arg(model).arg(port).toLatin1();
    const QByteArray ss = QStringLiteral("ss%1").arg(model).toLatin1();
    const QString sent = QStringLiteral("Tx to server: #0x03 Set X:1=%1\r\n").arg(port);

    QTest::mouseClick(find(button.constData()), Qt::LeftButton);
    QCOMPARE(SystemArray[3].Status, port);
    QCOMPARE(display(ss.constData())->caption(), QString::number(port));
    QCOMPARE(host->link.logEntries(), QStringList{sent});
    QVERIFY(find<TLatchButton>(button.constData())->isChecked());
    QVERIFY(!find<TLatchButton>(QStringLiteral("sb%1_2").arg(model).toLatin1().constData())->isChecked());

    // Clicking the down button again keeps it down and sends again.
    QTest::mouseClick(find(button.constData()), Qt::LeftButton);
    QVERIFY(find<TLatchButton>(button.constData())->isChecked());
    QCOMPARE(host->link.logEntries(), (QStringList{sent, sent}));

    // The number label of port 2 switches the panel but not the down button.
    QTest::mouseClick(find(QStringLiteral("lblsb%1_2").arg(model).toLatin1().constData()), Qt::LeftButton);
    QCOMPARE(SystemArray[3].Status, 2);
    QCOMPARE(display(ss.constData())->caption(), QStringLiteral("2"));
    QVERIFY(find<TLatchButton>(button.constData())->isChecked());
    QCOMPARE(host->link.logEntries().last(), QStringLiteral("Tx to server: #0x03 Set X:1=2\r\n"));
  }

  void tags() {
    QCOMPARE(find("sbOrv15_3")->property("tag").toInt(), 153);
    QCOMPARE(find("lblsbOrv15_3")->property("tag").toInt(), 153);
    QCOMPARE(find("sbOrv18_8")->property("tag").toInt(), 188);
    QCOMPARE(find("lblsbOrv18_1")->property("tag").toInt(), 181);
  }

  // The selected address comes from an editable list: nothing outside the table is touched.
  void selectionOutsideTheTable_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    QTest::newRow("0x80") << "0x80" << QString();
    QTest::newRow("0xFFFFFFFF") << "0xFFFFFFFF" << QString();
    QTest::newRow("0x") << "0x"
                        << "'$' is not a valid integer value";
  }
  void selectionOutsideTheTable() {
    QFETCH(QString, text);
    QFETCH(QString, message);
    putPanel(6, "Orv11", 5, 1);
    select(6);
    host->link.clearLog();
    host->cbAddress->setCurrentText(text);
    QTest::mouseClick(find("sbOrv11_1P"), Qt::LeftButton);
    QTest::mouseClick(find("sbOrv18_3"), Qt::LeftButton);
    QTest::mouseClick(find("lblsbOrv15_3"), Qt::LeftButton);
    QVERIFY(host->link.logEntries().isEmpty());
    QCOMPARE(SystemArray[6].Status, 5);
    const QStringList expected = message.isEmpty() ? QStringList() : QStringList{message, message, message};
    QCOMPARE(dialogsSeen.messages, expected);
  }

  void stepOnAnotherModelDoesNothing() {
    putPanel(6, "Orv15", 5);
    select(6);
    host->link.clearLog();
    Orv11APos = 40;
    area->sbOrv11_1ppClick();
    area->spOrv11_1NNClick();
    QVERIFY(host->link.logEntries().isEmpty());
    QCOMPARE(SystemArray[6].Status, 5);
    QCOMPARE(Orv11APos, 40);
  }

  void fillOrv11() {
    putPanel(6, "Orv11", 39, 2);
    SystemArray[6].BrukerDef = QStringLiteral("<b>Mast</b>");
    area->OppdaterPanel(6);
    QCOMPARE(display("ssOrv11")->caption(), QStringLiteral("27"));
    QCOMPARE(Orv11APos, 39);
    QCOMPARE(labelText("lblOrv11"), QStringLiteral("<b>Mast</b>"));
    QCOMPARE(find<QLabel>("lblOrv11")->textFormat(), Qt::PlainText);
    QVERIFY(!area->gbOrv11->isVisible());  // the fill shows no box
    QCOMPARE(tunerDisplays, (QList<QPair<int, QString>>{{2, QStringLiteral("27")}}));

    SystemArray[6].TunerNr = 3;
    area->OppdaterPanel(6);
    QCOMPARE(tunerDisplays.size(), 1);
  }

  void fillPortBoxKeepsDownButtonForStatusOutsidePorts_data() {
    QTest::addColumn<QString>("model");
    QTest::addColumn<int>("status");
    QTest::newRow("Orv15 0") << "Orv15" << 0;
    QTest::newRow("Orv15 9") << "Orv15" << 9;
    QTest::newRow("Orv18 -1") << "Orv18" << -1;
  }
  void fillPortBoxKeepsDownButtonForStatusOutsidePorts() {
    QFETCH(QString, model);
    QFETCH(int, status);
    const QByteArray m = model.toLatin1();
    putPanel(4, m.constData(), 6);
    SystemArray[4].Btn1Txt = QStringLiteral("Dipole");
    SystemArray[4].Btn8Txt = QStringLiteral("Beam & <i>");
    area->OppdaterPanel(4);
    QVERIFY(find<TLatchButton>(("sb" + m + "_6").constData())->isChecked());
    QCOMPARE(display(("ss" + m).constData())->caption(), QStringLiteral("6"));
    QCOMPARE(labelText("lbl" + model + "Btn1"), QStringLiteral("Dipole"));
    QCOMPARE(labelText("lbl" + model + "Btn8"), QStringLiteral("Beam & <i>"));
    QCOMPARE(labelText("lbl" + model), SystemArray[4].BrukerDef.text());

    SystemArray[4].Status = status;
    area->OppdaterPanel(4);
    QVERIFY(find<TLatchButton>(("sb" + m + "_6").constData())->isChecked());
    QCOMPARE(display(("ss" + m).constData())->caption(), QString::number(status));
    QVERIFY(host->link.logEntries().isEmpty());  // a fill never sends
  }

  void latchFaces_data() {
    QTest::addColumn<QString>("state");
    QTest::addColumn<QColor>("face");
    QTest::newRow("up") << "up" << QColor(212, 207, 201);
    QTest::newRow("disabled") << "disabled" << QColor(51, 51, 51);
    QTest::newRow("held") << "held" << QColor(0, 128, 0);
    QTest::newRow("down") << "down" << QColor(255, 0, 0);
  }
  void latchFaces() {
    QFETCH(QString, state);
    QFETCH(QColor, face);
    TLatchButton b;
    b.setEnabled(state != u"disabled");
    b.setChecked(state == u"down");
    b.setDown(state == u"held");
    const QImage img = b.grab().toImage();
    QCOMPARE(img.size(), QSize(60, 90));
    QCOMPARE(img.pixelColor(30, 20), face);
  }

  void fillOrv0ShowsMessageAndUnusedSlotNothing() {
    putPanel(9, "Orv0", 0);
    area->OppdaterPanel(9);
    QCOMPARE(dialogsSeen.messages,
             QStringList{QStringLiteral("Unknown panel, possible due to a communication problem.")});
    SystemArray[9].I_bruk = false;
    area->OppdaterPanel(9);
    area->OppdaterPanel(-1);
    area->OppdaterPanel(128);
    QCOMPARE(dialogsSeen.messages.size(), 1);
  }

  void clearLabels() {
    putPanel(4, "Orv18", 1);
    SystemArray[4].Btn3Txt = QStringLiteral("Rotor");
    putPanel(5, "Orv15", 1);
    SystemArray[5].Btn3Txt = QStringLiteral("TX2");
    area->OppdaterPanel(4);
    area->OppdaterPanel(5);
    area->Orv18ClearLabels();
    QCOMPARE(labelText("lblOrv18Btn3"), QString());
    QCOMPARE(labelText("lblOrv15Btn3"), QStringLiteral("TX2"));
    area->Orv15ClearLabels();
    QCOMPARE(labelText("lblOrv15Btn3"), QString());
  }

  void labelEditor_data() {
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("pressed");  // control the operator right-clicks
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("typed");
    QTest::newRow("Orv18 number label 7") << "Orv18"
                                          << "lblsbOrv18_7" << 7 << "Long wire";
    QTest::newRow("Orv15 button 2") << "Orv15"
                                    << "sbOrv15_2" << 2 << "Yaesu FT-1000";
    QTest::newRow("empty text") << "Orv18"
                                << "sbOrv18_1" << 1 << "";
    QTest::newRow("300 characters") << "Orv18"
                                    << "lblsbOrv18_8" << 8 << QString(300, u'x');
    QTest::newRow("outside the code page") << "Orv15"
                                           << "lblsbOrv15_5" << 5 << QStringLiteral("Ø€→");
  }
  void labelEditor() {
    QFETCH(QString, model);
    QFETCH(QString, pressed);
    QFETCH(int, port);
    QFETCH(QString, typed);
    putPanel(3, model.toLatin1().constData(), 4);
    SystemArray[3].btnTxt(port)->set(QStringLiteral("old label"));
    select(3);
    host->link.clearLog();
    auto* editor = find<QLineEdit>(("edt" + model + "Text").toLatin1().constData());
    auto* apply = find<QPushButton>(("btn" + model + "Text").toLatin1().constData());

    QTest::mouseClick(find(pressed.toLatin1().constData()), Qt::RightButton);
    QVERIFY(editor->isVisible());
    QVERIFY(apply->isVisible());
    QVERIFY(editor->text().isEmpty());
    QCOMPARE(SystemArray[3].Status, 4);  // a right click switches nothing

    editor->setText(typed);
    QTest::mouseClick(apply, Qt::LeftButton);
    QCOMPARE(labelText(QStringLiteral("lbl%1Btn%2").arg(model).arg(port)), typed);
    QCOMPARE(SystemArray[3].btnTxt(port)->bytes(), codepage::encodeCut(typed, 255));
    QVERIFY(!editor->isVisible());
    QVERIFY(!apply->isVisible());
    QVERIFY(host->link.logEntries().isEmpty());
  }

  // A screen reader hears each port's number, its label and whether it is down, from the button
  // and from the number laid over it; the readout reports the port shown.
  void portsAsAScreenReaderHearsThem() {
    putPanel(3, "Orv18", 2);
    SystemArray[3].Btn2Txt = QStringLiteral("Dipole");
    select(3);
    auto name = [&](const char* control) {
      return QAccessible::queryAccessibleInterface(find(control))->text(QAccessible::Name);
    };
    QAccessibleInterface* port2 = QAccessible::queryAccessibleInterface(find("sbOrv18_2"));
    QCOMPARE(port2->text(QAccessible::Name), QStringLiteral("Port 2: Dipole"));
    QCOMPARE(name("lblsbOrv18_2"), QStringLiteral("Port 2: Dipole"));
    QCOMPARE(name("sbOrv18_5"), QStringLiteral("Port 5"));
    QVERIFY(port2->state().checkable);
    QVERIFY(port2->state().checked);
    QAccessibleInterface* readout = QAccessible::queryAccessibleInterface(display("ssOrv18"));
    QCOMPARE(readout->text(QAccessible::Name), QStringLiteral("Port"));
    QCOMPARE(readout->text(QAccessible::Value), QStringLiteral("2"));

    QTest::mouseClick(find("sbOrv18_5"), Qt::LeftButton);
    QVERIFY(!port2->state().checked);
    QVERIFY(QAccessible::queryAccessibleInterface(find("sbOrv18_5"))->state().checked);
    QCOMPARE(readout->text(QAccessible::Value), QStringLiteral("5"));

    // A new label is heard at once; cleared labels leave the number.
    QTest::mouseClick(find("sbOrv18_5"), Qt::RightButton);
    find<QLineEdit>("edtOrv18Text")->setText(QStringLiteral("Beam"));
    QTest::mouseClick(find<QPushButton>("btnOrv18Text"), Qt::LeftButton);
    QCOMPARE(name("sbOrv18_5"), QStringLiteral("Port 5: Beam"));
    area->Orv18ClearLabels();
    QCOMPARE(name("sbOrv18_2"), QStringLiteral("Port 2"));
    QCOMPARE(name("spOrv11_1NN"), QStringLiteral("Step down 16"));
  }

  // A box's buttons are one Tab stop; the arrows move among them and switch nothing; Space and
  // Enter press; what the readout then shows is announced by the pressed button.
  void buttonsFromTheKeyboard_data() {
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("pressed");
    QTest::addColumn<QString>("sent");
    QTest::addColumn<QString>("heard");
    QTest::newRow("Orv18 ports") << "Orv18"
                                 << "sbOrv18_1"
                                 << "sbOrv18_3"
                                 << "#0x03 Set X:1=3"
                                 << "Port 3";
    QTest::newRow("Orv15 ports") << "Orv15"
                                 << "sbOrv15_1"
                                 << "sbOrv15_3"
                                 << "#0x03 Set X:1=3"
                                 << "Port 3";
    QTest::newRow("Orv11 steps") << "Orv11"
                                 << "sbOrv11_1pp"
                                 << "sbOrv11_1M"
                                 << "#0x03 Set X:1=9"
                                 << "Position 09";
  }
  void buttonsFromTheKeyboard() {
    QFETCH(QString, model);
    QFETCH(QString, first);
    QFETCH(QString, pressed);
    QFETCH(QString, sent);
    QFETCH(QString, heard);
    putPanel(3, model.toLatin1().constData(), 10);
    select(3);
    host->window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&host->window));
    host->link.clearLog();
    announcements.clear();
    accessibility::setEventSink(recordAnnouncement);
    auto focused = [] { return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString(); };

    find(first.toLatin1().constData())->setFocus(Qt::TabFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left);  // none before the first
    QCOMPARE(focused(), first);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    QCOMPARE(focused(), pressed);
    QVERIFY(host->link.logEntries().isEmpty());

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QCOMPARE(host->link.logEntries(), QStringList{QStringLiteral("Tx to server: ") + sent + QStringLiteral("\r\n")});
    QCOMPARE(announcements.size(), 1);
    QCOMPARE(announcements[0].first, heard);
    QCOMPARE(announcements[0].second, find(pressed.toLatin1().constData()));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(host->link.logEntries().size(), 3);
    accessibility::setEventSink(nullptr);

    // Tab leaves the group, and comes back to the button last used.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QVERIFY(!qobject_cast<TLatchButton*>(QApplication::focusWidget()));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QCOMPARE(focused(), pressed);
  }

  // The focused button shows a ring; a click never moves the focus, so a mouse user sees the faces
  // as they were.
  void focusIsVisibleAndTheMouseLeavesIt() {
    putPanel(3, "Orv18", 1);
    select(3);
    host->window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&host->window));
    auto* port2 = find<TLatchButton>("sbOrv18_2");
    const QImage plain = port2->grab().toImage();
    QTest::mouseClick(port2, Qt::LeftButton);
    QVERIFY(!port2->hasFocus());
    QTest::mouseClick(find("sbOrv18_1"), Qt::LeftButton);  // back up, as it was
    QCOMPARE(port2->grab().toImage(), plain);
    port2->setFocus(Qt::ActiveWindowFocusReason);  // as a window hands it out
    QCOMPARE(port2->grab().toImage(), plain);
    port2->clearFocus();
    port2->setFocus(Qt::TabFocusReason);
    QVERIFY(port2->grab().toImage() != plain);
  }

  // The only action is a press that does what a click does; Qt's toggle would mark the port
  // without sending anything.
  void theButtonsActionIsAClick() {
    putPanel(3, "Orv18", 1);
    select(3);
    host->link.clearLog();
    QAccessibleInterface* port4 = QAccessible::queryAccessibleInterface(find("sbOrv18_4"));
    QAccessibleActionInterface* action = port4->actionInterface();
    QVERIFY(action);
    QCOMPARE(action->actionNames(),
             (QStringList{QAccessibleActionInterface::pressAction(), QAccessibleActionInterface::setFocusAction()}));
    action->doAction(QAccessibleActionInterface::toggleAction());
    QVERIFY(!port4->state().checked);
    QVERIFY(host->link.logEntries().isEmpty());
    action->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(host->link.logEntries(), QStringList{QStringLiteral("Tx to server: #0x03 Set X:1=4\r\n")});
    QVERIFY(port4->state().checked);
    QCOMPARE(display("ssOrv18")->caption(), QStringLiteral("4"));
    QCOMPARE(QAccessible::queryAccessibleInterface(find("sbOrv11_1P"))->actionInterface()->actionNames().first(),
             QAccessibleActionInterface::pressAction());
  }

  // An empty port label reads as having no label, never as the box's title.
  void emptyPortLabelsHaveANameOfTheirOwn() {
    putPanel(2, "Orv15", 1);
    SystemArray[2].Btn3Txt = QStringLiteral("Vertical");
    select(2);
    auto name = [&](const char* label) {
      return QAccessible::queryAccessibleInterface(find(label))->text(QAccessible::Name);
    };
    QCOMPARE(name("lblOrv15Btn4"), QStringLiteral("no label"));
    QCOMPARE(name("lblOrv18Btn1"), QStringLiteral("no label"));
    QCOMPARE(name("lblOrv15Btn3"), QStringLiteral("Vertical"));
    area->Orv15ClearLabels();
    QCOMPARE(name("lblOrv15Btn3"), QStringLiteral("no label"));
  }

  void secondRightClickChangesPortAndLeftClickKeepsEditorOpen() {
    putPanel(3, "Orv18", 4);
    select(3);
    auto* editor = find<QLineEdit>("edtOrv18Text");
    QTest::mouseClick(find("sbOrv18_2"), Qt::RightButton);
    editor->setText("half typed");
    QTest::mouseClick(find("lblsbOrv18_6"), Qt::RightButton);
    QVERIFY(editor->text().isEmpty());
    QCOMPARE(area->orv18EditedPort(), 6);

    QTest::mouseClick(find("sbOrv18_6"), Qt::LeftButton);
    QCOMPARE(SystemArray[3].Status, 6);
    QVERIFY(editor->isVisible());

    // The label goes to the panel the caption names, even after another panel was selected.
    putPanel(5, "Orv15", 1);
    host->listSlots({3, 5}, 5);
    area->showForAddressChange(5);
    editor->setText("Vertical");
    area->btnOrv18TextClick();
    QCOMPARE(SystemArray[3].Btn6Txt.text(), QStringLiteral("Vertical"));
    QVERIFY(SystemArray[5].Btn6Txt.isEmpty());
  }

  void applyRewritesSetupFileOnlyIfItExists_data() {
    QTest::addColumn<bool>("exists");
    QTest::newRow("exists") << true;
    QTest::newRow("missing") << false;
  }
  void applyRewritesSetupFileOnlyIfItExists() {
    QFETCH(bool, exists);
    QTemporaryDir dir;
    InstalledPath = dir.path() + u'/';
    records::createConfigurationsFolder();
    if (exists) {
      QFile f(records::currentSetupPath());
      QVERIFY(f.open(QIODevice::WriteOnly));
    }
    putPanel(3, "Orv18", 4);
    select(3);
    area->Orv18BtnLblRightClick(183);
    find<QLineEdit>("edtOrv18Text")->setText("Loop");
    area->btnOrv18TextClick();

    QFile f(records::currentSetupPath());
    QCOMPARE(f.exists(), exists);
    if (!exists) return;
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    QCOMPARE(bytes.size(), records::SystemFileSize);
    const qsizetype btn3 = 3 * qsizetype(sizeof(TSystemRecord)) + offsetof(TSystemRecord, Btn3Txt);
    QCOMPARE(bytes.mid(btn3, 5), QByteArray("\x04Loop"));
  }

  void showingDiffersForUnknownModels() {
    putPanel(3, "Orv18", 4);
    putPanel(7, "Orv99", 0);
    putPanel(9, "Orv0", 0);
    area->VisPanel(3);
    QVERIFY(area->gbOrv18->isVisible());
    QCOMPARE(area->gbOrv18->title(), QStringLiteral("Orv18 @ address 0x03"));

    area->showForAddressChange(7);
    QVERIFY(area->gbOrv18->isVisible());
    area->showForAddressChange(200);
    QVERIFY(area->gbOrv18->isVisible());

    area->VisPanel(7);
    for (QGroupBox* gb : {area->gbOrv0, area->gbOrv11, area->gbOrv15, area->gbOrv18}) QVERIFY(!gb->isVisible());

    area->showForAddressChange(9);
    QVERIFY(area->gbOrv0->isVisible());
    QCOMPARE(area->gbOrv0->title(), QStringLiteral(" Orv0"));
    area->hideModelBoxes();
    QVERIFY(area->gbOrv0->isVisible());

    area->VisPanel(128);
    QVERIFY(!area->gbOrv0->isVisible());
  }

  void showForAddressChangeSetsReadoutsAndCaptions() {
    putPanel(6, "Orv11", 0xA5, 1);
    area->showForAddressChange(6);
    QVERIFY(area->gbOrv11->isVisible());
    QCOMPARE(area->gbOrv11->title(), QStringLiteral("Orv11 @ address 0x06"));
    QCOMPARE(display("ssOrv11")->caption(), QStringLiteral("A5"));
    QCOMPARE(Orv11APos, 0xA5);
    QCOMPARE(labelText("lblOrv11"), Orv11Navn);

    putPanel(0x7F, "Orv15", 7);
    area->showForAddressChange(0x7F);
    QVERIFY(!area->gbOrv11->isVisible());
    QVERIFY(area->gbOrv15->isVisible());
    QCOMPARE(area->gbOrv15->title(), QStringLiteral("Orv15 @ address 0x7F"));
    QCOMPARE(display("ssOrv15")->caption(), QStringLiteral("7"));
    QCOMPARE(labelText("lblOrv15"), Orv15Navn);
  }
};

QTEST_MAIN(TestPanelControlArea)
#include "test_panel_control_area.moc"
