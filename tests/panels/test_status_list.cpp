#include <optional>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QAccessible>
#include <QtTest>

#include <memory>

#include "gui/common/operator_dialogs.h"
#include "gui/controls/seven_seg.h"
#include "panels/panel_host.h"
#include "gui/panels/status_list.h"
#include "support/program_state.h"

namespace {
const QString kRemovalFailed = QStringLiteral("Noe gikk galt med slettingen! Vennligst start programmet på nytt!");

// Slots 2 Orv15, 3 Orv18, 4 Orv15, 6 Orv11, and an Orv0 and an unknown model that get no block.
void fourPanels() {
  putPanel(2, "Orv15", 4);
  putPanel(3, "Orv18", 7);
  putPanel(4, "Orv15", 1);
  putPanel(5, "Orv0", 0);
  putPanel(6, "Orv11", 39, 1);
  putPanel(8, "orv15", 1);
  AntallTunere = 1;
}
}  // namespace

class TestStatusList : public QObject {
  Q_OBJECT

  std::unique_ptr<PanelHost> host;
  QScrollArea* scrollStatus = nullptr;
  std::unique_ptr<StatusList> list;
  DialogRecorder dialogsSeen;
  std::optional<ProgramState> state;
  int addressChanges = 0;
  QList<int> tunersOpened;

  QWidget* content() { return scrollStatus->widget(); }
  template <class W = QWidget>
  W* block(const QString& name) {
    return content()->findChild<W*>(name, Qt::FindDirectChildrenOnly);
  }
  int named(const QString& name) { return content()->findChildren<QWidget*>(name).size(); }
  QString shown(const QString& name) {
    auto* ss = block<TSevenSeg>(name);
    return ss ? ss->caption() : QStringLiteral("<none>");
  }
  void scan() {
    FirstScanDone = true;
    list->StatusScroll();
  }

 private slots:
  void init() {
    dialogsSeen = DialogRecorder();
    state.emplace(&dialogsSeen);
    host = std::make_unique<PanelHost>();
    scrollStatus = new QScrollArea(&host->window);
    scrollStatus->setObjectName(QStringLiteral("scrollStatus"));
    scrollStatus->setGeometry(603, 154, 326, 307);
    list = std::make_unique<StatusList>(scrollStatus, &host->addresses);
    addressChanges = 0;
    tunersOpened.clear();
    connect(list.get(), &StatusList::panelSelected, this, [this] { ++addressChanges; });
    connect(list.get(), &StatusList::tunerRequested, this, [this](int nr) { tunersOpened.append(nr); });
    host->window.show();
  }
  void cleanup() {
    list.reset();
    host.reset();
    state.reset();
  }

  void emptyTableGivesEmptyList() {
    putPanel(5, "Orv0", 0);
    scan();
    QCOMPARE(Antall, 0);
    QVERIFY(StatusShown);
    QVERIFY(content()->findChildren<QWidget*>().isEmpty());
  }

  void fourPanelRows() {
    fourPanels();
    scan();
    QCOMPARE(Antall, 4);
    QVERIFY(StatusShown);
    QCOMPARE(content()->findChildren<TSevenSeg*>().size(), 4);

    const struct {
      const char* suffix;
      int row;
    } rows[] = {{"Orv15_2", 0}, {"Orv18_3", 60}, {"Orv15_4", 120}};
    for (const auto& r : rows) {
      const QString s = QString::fromLatin1(r.suffix);
      QCOMPARE(block("ss" + s)->geometry(), QRect(10, r.row + 10, 40, 60));
      QCOMPARE(block<TSevenSeg>("ss" + s)->numDigits(), 1);
      QCOMPARE(block("lbl2" + s)->pos(), QPoint(50, r.row + 10));
      QCOMPARE(block("lbl" + s)->pos(), QPoint(50, r.row + 25));
      QCOMPARE(block("btn" + s)->geometry(), QRect(54, r.row + 42, 75, 25));
      QVERIFY(!block("btn2" + s));
    }
    QCOMPARE(block("ss"
                   "Orv11_6")
                 ->geometry(),
             QRect(10, 190, 70, 60));
    QCOMPARE(block<TSevenSeg>("ssOrv11_6")->numDigits(), 2);
    QCOMPARE(block("lbl2Orv11_6")->pos(), QPoint(80, 190));
    QCOMPARE(block("lblOrv11_6")->pos(), QPoint(80, 205));
    QCOMPARE(block("btnOrv11_6")->geometry(), QRect(84, 222, 75, 25));
    QCOMPARE(block("btn2Orv11_6")->geometry(), QRect(167, 222, 105, 25));
    QVERIFY(!block("ssOrv0_5"));
    QCOMPARE(named(QStringLiteral("btnOrv15_8")), 0);

    // Contents
    QCOMPARE(shown("ssOrv11_6"), QStringLiteral("27"));
    QCOMPARE(shown("ssOrv15_2"), QStringLiteral("4"));
    QCOMPARE(shown("ssOrv18_3"), QStringLiteral("7"));
    auto* name = block<QLabel>("lbl2Orv11_6");
    QCOMPARE(name->text(), QStringLiteral("Orv11 @ address 0x06"));
    QCOMPARE(name->textFormat(), Qt::PlainText);
    QCOMPARE(name->font().family(), QStringLiteral("Comic Sans MS"));
    QCOMPARE(name->font().pointSize(), 10);
    QVERIFY(!name->font().bold());
    QVERIFY(name->isVisible());
    QCOMPARE(block<QLabel>("lblOrv11_6")->text(), Orv11Navn);
    QCOMPARE(block<QLabel>("lblOrv18_3")->text(), Orv18Navn);
    QCOMPARE(block<QLabel>("lblOrv15_4")->text(), Orv15Navn);
    QCOMPARE(block<QLabel>("lblOrv15_4")->textFormat(), Qt::PlainText);
    QCOMPARE(block<QPushButton>("btnOrv18_3")->text(), QStringLiteral("Select panel"));
    QCOMPARE(block("btnOrv18_3")->property("tag").toInt(), 3);
    QCOMPARE(block<QPushButton>("btn2Orv11_6")->text(), QStringLiteral("Antenna tuner #1"));
    QCOMPARE(block("btn2Orv11_6")->property("tag").toInt(), 1);

    // Vertical scrolling only.
    QVERIFY(content()->height() >= 250);
    QCOMPARE(scrollStatus->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  }

  // Each block names its panel on the controls a screen reader reaches.
  void blocksNameTheirPanel() {
    fourPanels();
    scan();
    auto name = [&](const QString& control) {
      return QAccessible::queryAccessibleInterface(block(control))->text(QAccessible::Name);
    };
    QCOMPARE(name(QStringLiteral("ssOrv15_2")), QStringLiteral("Status of Orv15 @ address 0x02"));
    QCOMPARE(QAccessible::queryAccessibleInterface(block(QStringLiteral("ssOrv11_6")))->text(QAccessible::Value),
             hexText(SystemArray[6].Status, 2));
    QCOMPARE(name(QStringLiteral("btnOrv18_3")), QStringLiteral("Select panel Orv18 @ address 0x03"));
    QCOMPARE(name(QStringLiteral("btn2Orv11_6")), QStringLiteral("Antenna tuner #1 of Orv11 @ address 0x06"));
  }

  void manyRowsScrollVertically() {
    for (int n = 1; n <= 20; ++n) putPanel(n, "Orv18", 1);
    scan();
    QTRY_VERIFY(scrollStatus->verticalScrollBar()->maximum() > 0);
    QVERIFY(content()->height() >= 20 * 60 + 10);
    QCOMPARE(content()->width(), scrollStatus->viewport()->width());
  }

  void tunerButtonsOnlyBelowFourTuners_data() {
    QTest::addColumn<int>("tuners");
    QTest::newRow("three") << 3;
    QTest::newRow("four") << 4;
  }
  void tunerButtonsOnlyBelowFourTuners() {
    QFETCH(int, tuners);
    for (int t = 1; t <= tuners; ++t) putPanel(10 + t, "Orv11", 0, t);
    AntallTunere = tuners;
    scan();
    QCOMPARE(Antall, tuners);
    for (int t = 1; t <= tuners; ++t) {
      auto* b = block<QPushButton>(QStringLiteral("btn2Orv11_%1").arg(10 + t));
      QCOMPARE(b != nullptr, tuners < 4);
      if (b) QCOMPARE(b->text(), QStringLiteral("Antenna tuner #%1").arg(t));
    }
    if (tuners < 4) {
      QTest::mouseClick(block("btn2Orv11_13"), Qt::LeftButton);
      QCOMPARE(tunersOpened, QList<int>{3});
    }
  }

  void rescanOfTheSameInstallation() {
    fourPanels();
    scan();
    const QRect before = block("btnOrv11_6")->geometry();
    list->RemoveStatus();
    QVERIFY(!StatusShown);
    QCOMPARE(Antall, 0);
    QVERIFY(dialogsSeen.messages.isEmpty());
    QVERIFY(content()->findChildren<QWidget*>().isEmpty());
    scan();
    QCOMPARE(Antall, 4);
    QCOMPARE(block("btnOrv11_6")->geometry(), before);
    QCOMPARE(named(QStringLiteral("ssOrv15_4")), 1);
  }

  void removalBeforeTheFirstScanDestroysNothing() {
    fourPanels();
    list->StatusScroll();
    FirstScanDone = false;
    list->RemoveStatus();
    QVERIFY(!StatusShown);
    QCOMPARE(Antall, 4);
    QVERIFY(block("ssOrv11_6"));
    QVERIFY(dialogsSeen.messages.isEmpty());
  }

  void removalAfterTheTableChanged() {
    fourPanels();
    scan();
    // Another installation: slot 3 now an Orv0, slot 4 no longer in use, slot 9 a new Orv15.
    putPanel(3, "Orv0", 0);
    SystemArray[4].I_bruk = false;
    putPanel(9, "Orv15", 2);
    list->RemoveStatus();
    QCOMPARE(dialogsSeen.messages, QStringList{kRemovalFailed});
    QCOMPARE(Antall, 1);
    QVERIFY(!StatusShown);
    QVERIFY(!block("ssOrv15_2"));
    QVERIFY(!block("ssOrv11_6"));
    QVERIFY(block("ssOrv18_3"));
    QVERIFY(block("btnOrv15_4"));

    // Slot 4 comes back: its new block takes the names over from the left-overs.
    putPanel(4, "Orv15", 5);
    scan();
    QCOMPARE(Antall, 4);  // 2, 4, 6, 9
    for (const char* name : {"ssOrv15_4", "lblOrv15_4", "lbl2Orv15_4", "btnOrv15_4"}) QCOMPARE(named(name), 1);
    QCOMPARE(block("ssOrv15_4")->geometry(), QRect(10, 70, 40, 60));
    QCOMPARE(shown("ssOrv15_4"), QStringLiteral("5"));
    QVERIFY(block("ssOrv18_3"));  // not named by the table: stays
  }

  void refreshCopiesStatusToDisplays() {
    fourPanels();
    scan();
    SystemArray[6].Status = 0xFE;
    SystemArray[2].Status = 8;
    SystemArray[3].Status = 12;
    putPanel(7, "Orv18", 3);  // no block until the next build
    list->OppdaterScrollBox();
    QCOMPARE(shown("ssOrv11_6"), QStringLiteral("FE"));
    QCOMPARE(shown("ssOrv15_2"), QStringLiteral("8"));
    QCOMPARE(shown("ssOrv18_3"), QStringLiteral("12"));
    QCOMPARE(shown("ssOrv15_4"), QStringLiteral("1"));
    QVERIFY(!block("ssOrv18_7"));
    QCOMPARE(block<QLabel>("lbl2Orv18_3")->text(), QStringLiteral("Orv18 @ address 0x03"));

    // A slot whose model changed since the build is skipped as well.
    SystemArray[2].Navn = QStringLiteral("Orv18");
    list->OppdaterScrollBox();
    QCOMPARE(shown("ssOrv15_2"), QStringLiteral("8"));
  }

  // Every reply refreshes every display: a value that comes back, or a slot whose model comes back,
  // shows again.
  void refreshFollowsValuesThatComeBack() {
    fourPanels();
    scan();
    SystemArray[2].Status = 9;
    list->OppdaterScrollBox();
    SystemArray[2].Status = 4;
    list->OppdaterScrollBox();
    QCOMPARE(shown("ssOrv15_2"), QStringLiteral("4"));

    SystemArray[2].Navn = QStringLiteral("Orv18");
    SystemArray[2].Status = 7;
    list->OppdaterScrollBox();
    QCOMPARE(shown("ssOrv15_2"), QStringLiteral("4"));
    SystemArray[2].Navn = QStringLiteral("Orv15");
    list->OppdaterScrollBox();
    QCOMPARE(shown("ssOrv15_2"), QStringLiteral("7"));
  }

  void selectPanelPicksTheEntry() {
    fourPanels();
    host->listSlots({2, 3, 4, 5, 6}, 2);
    scan();
    QTest::mouseClick(block("btnOrv11_6"), Qt::LeftButton);
    QCOMPARE(host->cbAddress->currentIndex(), 4);
    QCOMPARE(addressChanges, 1);
    QTest::mouseClick(block("btnOrv18_3"), Qt::LeftButton);
    QCOMPARE(host->cbAddress->currentText(), QStringLiteral("0x03"));
    QCOMPARE(addressChanges, 2);

    list->ShowCorrectPanel(block("ssOrv18_3"));  // not a push button
    list->ShowCorrectPanel(nullptr);
    QCOMPARE(addressChanges, 2);
  }

  void selectPanelOfSlotZeroChangesNothing() {
    putPanel(0, "Orv15", 3);
    putPanel(2, "Orv18", 1);
    host->listSlots({2}, 2);
    scan();
    QTest::mouseClick(block("btnOrv15_0"), Qt::LeftButton);
    QCOMPARE(host->cbAddress->currentIndex(), 0);
    QCOMPARE(addressChanges, 0);
  }
};

QTEST_MAIN(TestStatusList)
#include "test_status_list.moc"
