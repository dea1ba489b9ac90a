#include "gui/tuner/u_frmTuner.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollArea>

#include "gui/common/operator_dialogs.h"
#include "gui/controls/accessibility.h"
#include "gui/controls/keyboard_group.h"
#include "gui/controls/seven_seg.h"
#include "core/link/controller_link.h"
#include "core/link/protocol.h"
#include "core/model/formatting.h"
#include "core/model/panel_models.h"
#include "core/model/system_table.h"
#include "core/storage/record_files.h"

namespace tuner {

QRect memoryButtonRect(int k) {
  static constexpr int lefts[3] = {3, 102, 200};
  const int i = k - 1;
  return {lefts[((i % 3) + 3) % 3], 3 + 65 * (i / 3), 95, 59};
}

int halfRoundedEven(int width) {
  // Floor of width / 2, then a remaining half goes to whichever neighbour is even.
  const int floorHalf = width >= 0 ? width / 2 : -((1 - width) / 2);
  const bool hasHalf = width - 2 * floorHalf != 0;
  return hasHalf && floorHalf % 2 != 0 ? floorHalf + 1 : floorHalf;
}

QPoint popupPoint(QPoint windowTopLeft, QRect button, int mouseY) {
  return {windowTopLeft.x() + button.left() + halfRoundedEven(button.width()),
          windowTopLeft.y() + button.top() + button.height() + mouseY};
}

}  // namespace tuner

namespace {

QFont comicFont(int pixels, bool bold) {
  QFont f(QStringLiteral("Comic Sans MS"));
  f.setPixelSize(pixels);
  f.setBold(bold);
  return f;
}

// Button and frame captions treat "&" as a shortcut marker; a label is shown as it stands.
QString literalCaption(QString text) { return text.replace(u'&', QStringLiteral("&&")); }

}  // namespace

TfrmTuner::TfrmTuner(int tunerNr, ControllerLink* link, QWidget* parent)
    : QDialog(parent), tunerNr_(tunerNr), link_(link) {
  setObjectName(QStringLiteral("frmTuner%1").arg(tunerNr));
  setWindowTitle(QStringLiteral("Antenna tuner"));
  setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint |
                 Qt::CustomizeWindowHint | Qt::MSWindowsFixedSizeDialogHint);
  setFixedSize(480, 310);
  QFont windowFont(QStringLiteral("Tahoma"));
  windowFont.setPixelSize(11);
  setFont(windowFont);

  gbOrv11 = new QGroupBox(this);
  gbOrv11->setObjectName(QStringLiteral("gbOrv11"));
  gbOrv11->setGeometry(8, 7, 467, 254);
  gbOrv11->setFont(comicFont(19, true));

  lblOrv11 = new QLabel(gbOrv11);
  lblOrv11->setObjectName(QStringLiteral("lblOrv11"));
  lblOrv11->setTextFormat(Qt::PlainText);
  lblOrv11->setFont(comicFont(13, true));
  lblOrv11->move(11, 28);

  ssOrv11 = new TSevenSeg(gbOrv11);
  ssOrv11->setObjectName(QStringLiteral("ssOrv11"));
  ssOrv11->setGeometry(11, 49, 120, 90);
  ssOrv11->setNumDigits(Orv11Model.digits);
  ssOrv11->setAccessibleName(QStringLiteral("Position"));

  sbKnapper = new QScrollArea(gbOrv11);
  sbKnapper->setObjectName(QStringLiteral("sbKnapper"));
  sbKnapper->setGeometry(137, 49, 319, 198);
  sbKnapper->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  sbKnapper->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  auto* content = new QWidget;
  content->setObjectName(QStringLiteral("sbKnapperContent"));
  const QRect last = tuner::memoryButtonRect(tuner::MemoryButtons);
  content->resize(last.right() + 1 + 3, last.bottom() + 1 + 3);

  memoryGroup = new QButtonGroup(this);
  memoryGroup->setExclusive(true);
  const QFont buttonFont = comicFont(16, false);
  for (int k = 1; k <= tuner::MemoryButtons; ++k) {
    auto* b = new QPushButton(QStringLiteral("Configured"), content);
    b->setObjectName(QStringLiteral("btn%1").arg(k));
    b->setGeometry(tuner::memoryButtonRect(k));
    b->setFont(buttonFont);
    b->setCheckable(true);
    b->setAutoDefault(false);
    b->installEventFilter(this);
    memoryGroup->addButton(b, k);
    accessibility::describeAsLatching(b);
    btn[std::size_t(k - 1)] = b;
    connect(b, &QPushButton::clicked, this, [this, k, b] {
      guarded([&] { btnxClick(k); });
      accessibility::announceReadout(b, ssOrv11);
    });
  }
  makeKeyboardGroup(memoryGroup, 3);
  sbKnapper->setWidget(content);
  sbKnapper->setAccessibleName(QStringLiteral("Memories"));
  nameMemoryButtons();

  // A line of the label: its caption above it, at most 11 characters.
  auto lineField = [this](int n, int left, QLabel*& caption, QLineEdit*& edit) {
    caption = new QLabel(QStringLiteral("Line %1(max 11 characters)").arg(n), this);
    caption->setObjectName(QStringLiteral("lblLine%1").arg(n));
    caption->setTextFormat(Qt::PlainText);
    caption->move(left, 264);
    caption->adjustSize();
    edit = new QLineEdit(this);
    edit->setObjectName(QStringLiteral("leLine%1").arg(n));
    edit->setGeometry(left, 279, 121, 21);
    edit->setMaxLength(11);
    edit->setAccessibleName(QStringLiteral("Line %1").arg(n));
  };
  lineField(1, 8, lblLine1, leLine1);
  lineField(2, 145, lblLine2, leLine2);

  btnSave = new QPushButton(QStringLiteral("Apply text"), this);
  btnSave->setObjectName(QStringLiteral("btnSave"));
  btnSave->setGeometry(284, 277, 75, 25);
  btnSave->setAutoDefault(false);
  connect(btnSave, &QPushButton::clicked, this, [this] { guarded([&] { btnSaveClick(); }); });

  btnClose = new QPushButton(QStringLiteral("Close"), this);
  btnClose->setObjectName(QStringLiteral("btnClose"));
  btnClose->setGeometry(397, 277, 75, 25);
  btnClose->setAutoDefault(false);
  connect(btnClose, &QPushButton::clicked, this, [this] { guarded([&] { btnCloseClick(); }); });

  showLabelEditor(false);
  // The memory buttons are one stop of the chain, before these; Escape is the close box.
  setTabOrder(leLine1, leLine2);
  setTabOrder(leLine2, btnSave);
  setTabOrder(btnSave, btnClose);

  pumBtn = new QMenu(this);
  pumBtn->setObjectName(QStringLiteral("pumBtn"));
  QAction* configButton = pumBtn->addAction(QStringLiteral("Button text"));
  configButton->setObjectName(QStringLiteral("Configbutton1"));
  connect(configButton, &QAction::triggered, this, [this] { guarded([&] { Configbutton1Click(); }); });
  QAction* newValue = pumBtn->addAction(QStringLiteral("Set value"));
  newValue->setObjectName(QStringLiteral("Savenewvalue1"));
  connect(newValue, &QAction::triggered, this, [this] { guarded([&] { Savenewvalue1Click(); }); });
}

TTunerRecord& TfrmTuner::record() const { return TunerArray[tunerNr_ == 2 ? 1 : 0]; }

bool& TfrmTuner::openFlag() const { return tunerNr_ == 2 ? Tuner2Shown : Tuner1Shown; }

void TfrmTuner::showLabelEditor(bool visible) {
  for (QWidget* w : std::initializer_list<QWidget*>{lblLine1, leLine1, lblLine2, leLine2, btnSave})
    w->setVisible(visible);
}

QPushButton* TfrmTuner::memoryButton(int k) const {
  return k >= 1 && k <= tuner::MemoryButtons ? btn[std::size_t(k - 1)] : nullptr;
}

void TfrmTuner::openWindow() {
  guarded([&] {
    const int a = record().Adresse;
    // An address from Tuner.dat may name no slot: such a tuner has no panel to show.
    const TSystemRecord* panel = isSystemSlot(a) ? &SystemArray[a] : nullptr;
    gbOrv11->setTitle(
        literalCaption((panel ? panel->Navn.text() : QString()) + QStringLiteral(" @ 0x") + hexText(a, 2)));
    lblOrv11->setText(panel ? panel->BrukerDef.text() : QString());
    lblOrv11->adjustSize();
    setDisplay(panel ? Orv11Model.settingText(panel->Status) : QString());
    openFlag() = true;
    show();
    raise();
    activateWindow();
  });
}

void TfrmTuner::setDisplay(const QString& text) { ssOrv11->setCaption(text); }

// The window is an Orv11's: it shows every setting as an Orv11 does, also that of a slot whose tuner
// number an earlier scan gave it under another model.
void TfrmTuner::OppdaterTuner() {
  for (int i = 1; i < SystemSlots; ++i) {
    const TSystemRecord& rec = SystemArray[i];
    if (rec.I_bruk && rec.TunerNr == tunerNr_) setDisplay(Orv11Model.settingText(rec.Status));
  }
}

void TfrmTuner::UpDateButtons() {
  const TTunerRecord& rec = record();
  for (int k = 1; k <= tuner::MemoryButtons; ++k)
    btn[std::size_t(k - 1)]->setText(literalCaption(rec.Buttons[k - 1].Tekst.text()));
  nameMemoryButtons();
}

// Each memory button tells its label and the setting it recalls; down is its checked state.
void TfrmTuner::nameMemoryButtons() {
  const TTunerRecord& rec = record();
  for (int k = 1; k <= tuner::MemoryButtons; ++k) {
    const QString label = rec.Buttons[k - 1].Tekst.text().replace(QChar(10), u' ').simplified();
    btn[std::size_t(k - 1)]->setAccessibleName(QStringLiteral("Memory %1: %2, setting %3")
                                                   .arg(k)
                                                   .arg(label, Orv11Model.settingText(rec.Buttons[k - 1].Verdi)));
  }
}

void TfrmTuner::FormShow() { UpDateButtons(); }

void TfrmTuner::btnxClick(int k) {
  QPushButton* pressed = memoryButton(k);
  if (!pressed) return;
  const QColor windowText = QApplication::palette().color(QPalette::WindowText);
  for (QPushButton* b : btn) {
    QPalette p = b->palette();
    p.setColor(QPalette::ButtonText, windowText);
    b->setPalette(p);
  }
  QPalette p = pressed->palette();
  p.setColor(QPalette::ButtonText, QColor(255, 0, 0));
  pressed->setPalette(p);

  const int PreSet = record().Buttons[k - 1].Verdi;
  setDisplay(Orv11Model.settingText(PreSet));
  if (tunerNr_ == 2) Orv11APos = PreSet;
  const int a = record().Adresse;
  // A command to an address outside the bus would reach no panel.
  if (link_ && isSystemSlot(a)) link_->sendDirect(command::setValue(a, PreSet));
}

void TfrmTuner::memoryMouseDown(int k, Qt::MouseButton button, QPoint posInButton) {
  QPushButton* b = memoryButton(k);
  if (button != Qt::RightButton || !b) return;
  KnappNr = k;
  // The button's place as seen in the scroll box, so a scrolled list moves it.
  const QRect inScrollBox(b->mapTo(sbKnapper->viewport(), QPoint(0, 0)), b->size());
  pumBtn->popup(tuner::popupPoint(frameGeometry().topLeft(), inScrollBox, posInButton.y()));
}

void TfrmTuner::Configbutton1Click() {
  leLine1->clear();
  leLine2->clear();
  showLabelEditor(true);
}

void TfrmTuner::btnSaveClick() {
  showLabelEditor(false);
  if (KnappNr >= 1 && KnappNr <= tuner::MemoryButtons)
    record().Buttons[KnappNr - 1].Tekst = leLine1->text() + QChar(10) + leLine2->text();
  UpDateButtons();
}

void TfrmTuner::Savenewvalue1Click() {
  const int a = record().Adresse;
  if (KnappNr >= 1 && KnappNr <= tuner::MemoryButtons && isSystemSlot(a))
    record().Buttons[KnappNr - 1].Verdi = SystemArray[a].Status;
  nameMemoryButtons();
}

void TfrmTuner::btnCloseClick() {
  reportIfFailed(records::storeTuners());
  close();
}

void TfrmTuner::FormClose() { openFlag() = false; }

bool TfrmTuner::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
    for (int k = 1; k <= tuner::MemoryButtons; ++k) {
      if (watched != btn[std::size_t(k - 1)]) continue;
      auto* me = static_cast<QMouseEvent*>(event);
      guarded([&] { mouseDownOn(k, me->button(), me->position().toPoint()); });
      // Only the left button presses a memory button.
      return me->button() != Qt::LeftButton;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TfrmTuner::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  guarded([&] { FormShow(); });
}

void TfrmTuner::closeEvent(QCloseEvent* event) {
  QDialog::closeEvent(event);
  if (event->isAccepted()) FormClose();
}

// Escape and the frame's close box both end here.
void TfrmTuner::done(int result) {
  QDialog::done(result);
  FormClose();
}

TfrmTuner1::TfrmTuner1(ControllerLink* link, QWidget* parent) : TfrmTuner(1, link, parent) {}

void TfrmTuner1::btnxMouseDown(int k, Qt::MouseButton button, QPoint posInButton) {
  memoryMouseDown(k, button, posInButton);
}

void TfrmTuner1::mouseDownOn(int k, Qt::MouseButton button, QPoint posInButton) {
  btnxMouseDown(k, button, posInButton);
}

TfrmTuner2::TfrmTuner2(ControllerLink* link, QWidget* parent) : TfrmTuner(2, link, parent) {}

void TfrmTuner2::btn1MouseDown(int k, Qt::MouseButton button, QPoint posInButton) {
  memoryMouseDown(k, button, posInButton);
}

void TfrmTuner2::mouseDownOn(int k, Qt::MouseButton button, QPoint posInButton) {
  btn1MouseDown(k, button, posInButton);
}
