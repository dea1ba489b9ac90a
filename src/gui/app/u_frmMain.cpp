#include "gui/app/u_frmMain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>

#include "gui/app/version.h"
#include "gui/common/address_list.h"
#include "gui/common/operator_dialogs.h"
#include "gui/controls/accessibility.h"
#include "gui/info/u_frmAbout.h"
#include "gui/info/u_frmStatus4Print.h"
#include "gui/link/command_log.h"
#include "core/link/command_log.h"
#include "core/link/controller_link.h"
#include "core/link/reply_wait.h"
#include "core/model/integer_rule.h"
#include "gui/link/u_frmTCPIP.h"
#include "core/model/file_names.h"
#include "core/model/program_folder.h"
#include "core/model/system_table.h"
#include "gui/panels/latch_button.h"
#include "gui/panels/panel_control_area.h"
#include "gui/panels/status_list.h"
#include "core/session/address_list.h"
#include "core/session/session.h"
#include "core/storage/record_files.h"
#include "core/storage/settings_file.h"
#include "gui/storage/u_frmSaveConfig.h"
#include "gui/tuner/u_frmTuner.h"
#include "gui/userconfig/u_frmConfigButtons.h"
#include "gui/userconfig/user_buttons.h"

namespace {

constexpr int kClientWidth = 938;
constexpr int kClientHeight = 501;

QFont pixelFont(const QString& family, int pixels, bool bold = false) {
  QFont f(family);
  f.setPixelSize(pixels);
  f.setBold(bold);
  return f;
}

QPushButton* pushButton(QWidget* parent, const QString& name, const QString& caption, const QRect& geometry) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(name);
  b->setGeometry(geometry);
  return b;
}

QLabel* plainLabel(QWidget* parent, const QString& text, const QPoint& at) {
  auto* l = new QLabel(text, parent);
  l->setTextFormat(Qt::PlainText);
  l->move(at);
  l->adjustSize();
  return l;
}

}  // namespace

TfrmMain::TfrmMain(const QString& installedPath)
    : installedPath_(installedPath.isEmpty() ? defaultProgramFolder() : installedPath) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(QStringLiteral("Orvane Control Client"));
  setFont(pixelFont(QStringLiteral("Tahoma"), 11));

  link = new ControllerLink(this);
  commandLog = new CommandLog(this);
  link->setLog(commandLog);
  replyWait = new ReplyWait(*link, this);
  addressList = new AddressList(this);
  buildClientArea();
  buildMenu();
  resize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());

  panels = new PanelControlArea(clientArea, link, addressList, this);
  statusList = new StatusList(scrollStatus, addressList, this);
  userButtons = new UserButtons(sbKnapper->widget(), link, this);
  session = new Session(*link, *replyWait, *addressList, this);
  showWhatTheSessionTells();

  connect(link, &ControllerLink::closed, this, [this] { ClientSocket1Disconnect(); });
  // The connection's state is heard once it is known, carried by the connect button.
  connect(link, &ControllerLink::opened, this,
          [this] { accessibility::announce(btnConn_DisConn, QStringLiteral("Connected to the server")); });
  connect(link, &ControllerLink::socketError, this, [](const QString& message) { reportFailure(message); });
  connect(link, &ControllerLink::chunkFailed, this, [](const QString& message) { reportFailure(message); });
  connect(statusList, &StatusList::panelSelected, this, [this] { guarded([this] { session->cbAddressChange(); }); });
  connect(statusList, &StatusList::tunerRequested, this, &TfrmMain::btnTunerClick);

  FormCreate();

  // The other windows, in their order of creation; all hidden until asked for.
  frmConfigButtons = new TfrmConfigButtons(*addressList, userButtons, this);
  frmSaveConfig = new TfrmSaveConfig(this);
  frmShowArray = new TfrmShowArray(this);
  frmAbout = new TfrmAbout(this);
  frmTuner1 = new TfrmTuner1(link, this);
  frmTuner2 = new TfrmTuner2(link, this);
  frmTCPIP = new TfrmTCPIP(this);

  connect(panels, &PanelControlArea::tunerDisplayChanged, this, [this](int tunerNr, const QString& caption) {
    if (tunerNr == 1) frmTuner1->setDisplay(caption);
    if (tunerNr == 2) frmTuner2->setDisplay(caption);
  });
  setKeyboardOrder();
}

// Tab follows the way of a run: connect, scan, pick a panel, its label editors, the log, the user
// buttons, "Exit". The status list's entries, made at every scan, join the end.
void TfrmMain::setKeyboardOrder() {
  QList<QWidget*> order{btnConn_DisConn, btnScan, btnStopWaiting, cbAddress, edtUserDefName};
  for (QGroupBox* gb : panels->modelBoxes())
    for (QWidget* c : gb->findChildren<QWidget*>())
      if (c->focusPolicy() & Qt::TabFocus) order << c;
  order << lbRespons << Button9 << Button3;
  for (QWidget* c : sbKnapper->widget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    if (c->focusPolicy() & Qt::TabFocus) order << c;
  order << btnClose;
  for (qsizetype i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
}

TfrmMain::~TfrmMain() = default;

// The session's steps, each on its region; after a chunk's status replies it tells the control
// area once per reply in order, then the status list if shown, then the open tuner windows.
void TfrmMain::showWhatTheSessionTells() {
  connect(session, &Session::tunerWindowsClosed, this, &TfrmMain::closeTunerWindows);
  connect(session, &Session::statusListRemoved, statusList, &StatusList::RemoveStatus);
  connect(session, &Session::userButtonsChanged, userButtons, &UserButtons::UpdateUsrButtons);
  connect(session, &Session::productCleared, lblProdukt, &QLabel::clear);
  connect(session, &Session::productShown, this, [this](const QString& name, const QString& userName) {
    lblProdukt->setText(name);
    edtUserDefName->setText(userName);
  });
  connect(session, &Session::message, this, [](const QString& text) { dialogs::showMessage(text); });
  connect(session, &Session::panelShown, panels, &PanelControlArea::VisPanel);
  connect(session, &Session::panelPicked, panels, &PanelControlArea::showForAddressChange);
  connect(session, &Session::panelRefreshed, panels, &PanelControlArea::OppdaterPanel);
  connect(session, &Session::statusListBuilt, statusList, &StatusList::StatusScroll);
  connect(session, &Session::statusListRefreshed, statusList, &StatusList::OppdaterScrollBox);
  connect(session, &Session::tunersRefreshed, this, &TfrmMain::refreshTuners);
}

void TfrmMain::closeTunerWindows() {
  for (TfrmTuner* tuner : {static_cast<TfrmTuner*>(frmTuner1), static_cast<TfrmTuner*>(frmTuner2)})
    if (tuner && tuner->isOpen()) tuner->close();
}

void TfrmMain::refreshTuners() {
  for (TfrmTuner* tuner : {static_cast<TfrmTuner*>(frmTuner1), static_cast<TfrmTuner*>(frmTuner2)})
    if (tuner && tuner->isOpen()) tuner->OppdaterTuner();
}

void TfrmMain::buildClientArea() {
  clientArea = new QWidget(this);
  clientArea->setObjectName(QStringLiteral("clientArea"));
  clientArea->resize(kClientWidth, kClientHeight);
  setCentralWidget(clientArea);
  clientArea->installEventFilter(this);

  const QFont buttonFont = pixelFont(QStringLiteral("Tahoma"), 16, true);
  btnConn_DisConn = pushButton(clientArea, QStringLiteral("btnConn_DisConn"), QStringLiteral("Connect the Server"),
                               QRect(8, 257, 209, 34));
  btnConn_DisConn->setFont(buttonFont);
  // Its caption is its state; the name says what the button is.
  btnConn_DisConn->setAccessibleName(QStringLiteral("Connection"));
  btnConn_DisConn->setAccessibleDescription(btnConn_DisConn->text());
  btnStopWaiting = pushButton(clientArea, QStringLiteral("btnStopWaiting"), QStringLiteral("Stop waiting!"),
                              QRect(223, 266, 75, 25));
  btnScan = pushButton(clientArea, QStringLiteral("btnScan"), QStringLiteral("Scan and update system"),
                       QRect(8, 297, 209, 34));
  btnScan->setFont(buttonFont);
  btnScan->hide();
  connect(btnConn_DisConn, &QPushButton::clicked, this, &TfrmMain::btnConn_DisConnClick);
  connect(btnStopWaiting, &QPushButton::clicked, this, &TfrmMain::btnStopWaitingClick);
  connect(btnScan, &QPushButton::clicked, this, &TfrmMain::btnScanClick);

  auto* systemControl = new QGroupBox(QStringLiteral("System control"), clientArea);
  systemControl->setObjectName(QStringLiteral("gbSystemControl"));
  systemControl->setGeometry(320, 257, 267, 82);
  plainLabel(systemControl, QStringLiteral("Address"), QPoint(8, 20));
  cbAddress = new QComboBox(systemControl);
  cbAddress->setObjectName(QStringLiteral("cbAddress"));
  cbAddress->setEditable(true);
  cbAddress->setInsertPolicy(QComboBox::NoInsert);
  cbAddress->setGeometry(8, 36, 62, 21);
  showCurrentPanel(*cbAddress, *addressList);
  addressList->setAddresses({0});
  cbAddress->setAccessibleName(QStringLiteral("Address"));
  plainLabel(systemControl, QStringLiteral("Product:"), QPoint(82, 20));
  // A click is a left press and its release over the label, as on the port captions.
  auto* produkt = new TCaptionLabel(QString(), systemControl);
  connect(produkt, &TCaptionLabel::clicked, this, [this] { guarded([this] { session->lblProduktClick(); }); });
  lblProdukt = produkt;
  lblProdukt->setObjectName(QStringLiteral("lblProdukt"));
  lblProdukt->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  lblProdukt->setFont(pixelFont(QStringLiteral("Tahoma"), 19, true));
  lblProdukt->setGeometry(130, 12, 130, 26);
  lblProdukt->setCursor(Qt::PointingHandCursor);
  edtUserDefName = new QLineEdit(systemControl);
  edtUserDefName->setObjectName(QStringLiteral("edtUserDefName"));
  edtUserDefName->setReadOnly(true);
  edtUserDefName->setAccessibleName(QStringLiteral("Panel name"));
  edtUserDefName->setGeometry(82, 52, 177, 21);
  // Only the operator's own picking or typing shows a panel; changes made by the program do not.
  connect(cbAddress, &QComboBox::activated, this, [this] { guarded([this] { session->cbAddressChange(); }); });
  connect(cbAddress->lineEdit(), &QLineEdit::textEdited, this,
          [this] { guarded([this] { session->cbAddressChange(); }); });

  auto* logPanel = new QFrame(clientArea);
  logPanel->setObjectName(QStringLiteral("pnlLog"));
  logPanel->setFrameShape(QFrame::StyledPanel);
  logPanel->setGeometry(7, 345, 580, 135);
  plainLabel(logPanel, QStringLiteral("Commands and response from controller"), QPoint(8, 4));
  lbRespons = new TCommandLog(commandLog, logPanel);
  lbRespons->setObjectName(QStringLiteral("lbRespons"));
  lbRespons->setAccessibleName(QStringLiteral("Commands and response from controller"));
  lbRespons->setGeometry(8, 20, 482, 108);
  Button9 = pushButton(logPanel, QStringLiteral("Button9"), QStringLiteral("Save log"), QRect(497, 20, 75, 25));
  Button3 = pushButton(logPanel, QStringLiteral("Button3"), QStringLiteral("Clear"), QRect(497, 51, 75, 25));
  connect(Button9, &QPushButton::clicked, this, &TfrmMain::Button9Click);
  connect(Button3, &QPushButton::clicked, this, &TfrmMain::Button3Click);

  sbKnapper = new QScrollArea(clientArea);
  sbKnapper->setObjectName(QStringLiteral("sbKnapper"));
  sbKnapper->setGeometry(603, 8, 326, 140);
  sbKnapper->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  sbKnapper->setAccessibleName(QStringLiteral("User buttons"));
  auto* buttonsContent = new QWidget;
  buttonsContent->resize(306, 10 + 44 * 9 + 38 + 10);
  sbKnapper->setWidget(buttonsContent);

  scrollStatus = new QScrollArea(clientArea);
  scrollStatus->setObjectName(QStringLiteral("scrollStatus"));
  scrollStatus->setGeometry(603, 154, 326, 307);
  scrollStatus->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scrollStatus->setAccessibleName(QStringLiteral("Panels"));
  auto* statusContent = new QWidget;
  statusContent->setObjectName(QStringLiteral("scrollStatusContent"));
  statusContent->resize(306, 0);
  scrollStatus->setWidget(statusContent);

  btnClose = pushButton(clientArea, QStringLiteral("btnClose"), QStringLiteral("Exit"), QRect(854, 468, 75, 25));
  connect(btnClose, &QPushButton::clicked, this, &TfrmMain::btnCloseClick);
}

void TfrmMain::buildMenu() {
  auto* bar = menuBar();
  bar->setObjectName(QStringLiteral("mmTopMenu"));
  auto item = [this](QMenu* menu, const QString& name, const QString& text, const QString& hint, auto handler) {
    QAction* a = menu->addAction(text);
    a->setObjectName(name);
    if (!hint.isEmpty()) {
      a->setStatusTip(hint);
      a->setToolTip(hint);
    }
    if constexpr (!std::is_same_v<decltype(handler), std::nullptr_t>) connect(a, &QAction::triggered, this, handler);
    return a;
  };
  QMenu* file = bar->addMenu(QStringLiteral("&File"));
  file->setObjectName(QStringLiteral("File1"));
  file->setToolTipsVisible(true);
  item(file, QStringLiteral("Loadconfiguration1"), QStringLiteral("&Load all panels configuration"), {},
       &TfrmMain::Loadconfiguration1Click);
  item(file, QStringLiteral("Saveconfiguration1"), QStringLiteral("&Save all panels configuration"), {},
       &TfrmMain::Saveconfiguration1Click);
  item(file, QStringLiteral("Loadprogrammedfunctionkeys1"), QStringLiteral("Load programmed &function keys"), {},
       nullptr);
  item(file, QStringLiteral("Saveprogrammedfunctionkeys1"), QStringLiteral("Save programmed function &keys"), {},
       &TfrmMain::Saveprogrammedfunctionkeys1Click);
  item(file, QStringLiteral("Exit1"), QStringLiteral("E&xit"), {}, &TfrmMain::Exit1Click);

  QMenu* config = bar->addMenu(QStringLiteral("&Configuration"));
  config->setObjectName(QStringLiteral("Configuration1"));
  config->setToolTipsVisible(true);
  item(config, QStringLiteral("Factorydefaults1"), QStringLiteral("&Factory defaults"),
       QStringLiteral("Clear all user configured data!"), &TfrmMain::Factorydefaults1Click);
  item(config, QStringLiteral("Remotesetup1"), QStringLiteral("&Remote setup"), {}, &TfrmMain::Remotesetup1Click);
  config->addSeparator();
  item(config, QStringLiteral("Configusernamesandbuttons1"), QStringLiteral("&Add user configuration"),
       QStringLiteral("Make a system sequence assigned to F1..F12"), &TfrmMain::Configusernamesandbuttons1Click);

  QMenu* about = bar->addMenu(QStringLiteral("&About...."));
  about->setObjectName(QStringLiteral("About1"));
  item(about, QStringLiteral("About2"), QStringLiteral("&Program info"), {}, &TfrmMain::About2Click);
  item(about, QStringLiteral("Systeminformation1"), QStringLiteral("&System information"), {},
       &TfrmMain::Systeminformation1Click);
}

void TfrmMain::FormCreate() {
  InstalledPath = installedPath_.endsWith(u'/') ? installedPath_ : installedPath_ + u'/';
  records::createConfigurationsFolder();
  try {
    setWindowTitle(QStringLiteral("Orvane Control Client ver. ") + GetVersionInfo(vrFileVersion));
  } catch (const OperatorError& e) {
    // The window keeps its design caption; the rest of the creation steps are skipped.
    QMetaObject::invokeMethod(
        this, [text = e.message()] { reportFailure(text); }, Qt::QueuedConnection);
    return;
  }
  edtUserDefName->clear();
  lblProdukt->setText(QString());
  AntallTunere = 0;
  Tuner1Shown = false;
  Tuner2Shown = false;
  records::restoreAtStartup();
  panels->placeFrames();
  FirstScanDone = false;
  StatusShown = false;
  panels->Orv18ClearLabels();
  panels->Orv15ClearLabels();
}

void TfrmMain::FormShow() { frmTCPIP->setSettings(readTcpSettings(settingsFilePath())); }

void TfrmMain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!shownOnce_) {
    shownOnce_ = true;
    FormShow();
  }
}

void TfrmMain::closeEvent(QCloseEvent* event) {
  // Closing the window ends the program without storing anything; a wait or poll in progress ends
  // first, so the program does not outlive its window.
  replyWait->endSession();
  event->accept();
  QCoreApplication::quit();
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
  if (watched == clientArea && event->type() == QEvent::Resize) followAnchors();
  return QMainWindow::eventFilter(watched, event);
}

void TfrmMain::followAnchors() {
  // The status list keeps its distances to the right and bottom edges; "Exit" rides the corner.
  const int w = clientArea->width();
  const int h = clientArea->height();
  scrollStatus->setGeometry(w - (kClientWidth - 603), 154, 326, qMax(0, h - (kClientHeight - 307)));
  btnClose->move(w - (kClientWidth - 854), h - (kClientHeight - 468));
}

void TfrmMain::btnConn_DisConnClick() {
  guarded([this] {
    const TcpSettings settings = frmTCPIP->settings();
    const QString address = settings.address;
    const int port = StrToInt(settings.port);
    if (link->isConnected()) {
      if (address.compare(link->address(), Qt::CaseInsensitive) != 0 || port != link->port())
        throw OperatorError(QStringLiteral("Can't change value while socket is active"));
      link->close();
      btnConn_DisConn->setText(QStringLiteral("Connect the Server"));
      btnConn_DisConn->setAccessibleDescription(btnConn_DisConn->text());
      session->RensSkjerm();
      btnScan->hide();
      btnStopWaiting->show();
      panels->hideModelBoxes();
      FirstScanDone = false;
      userButtons->hideAll();
      return;
    }
    link->open(address, port);
    btnConn_DisConn->setText(QStringLiteral("Disconnect the Server"));
    btnConn_DisConn->setAccessibleDescription(btnConn_DisConn->text());
    btnScan->show();
    btnStopWaiting->hide();
  });
}

void TfrmMain::ClientSocket1Disconnect() {
  btnConn_DisConn->setText(QStringLiteral("Connect the Server"));
  btnConn_DisConn->setAccessibleDescription(btnConn_DisConn->text());
  accessibility::announce(btnConn_DisConn, QStringLiteral("Disconnected from the server"));
}

void TfrmMain::btnScanClick() {
  guarded([this] { session->btnScanClick(); });
}

void TfrmMain::btnStopWaitingClick() { replyWait->stopWaiting(); }

void TfrmMain::Button3Click() { commandLog->clear(); }

void TfrmMain::Button9Click() {
  guarded([this] {
    if (const QString error = commandLog->save(filenames::programFile(QStringLiteral("cmdlog.txt"))); !error.isEmpty())
      throw OperatorError(error);
  });
}

void TfrmMain::btnCloseClick() {
  guarded([this] {
    if (link->isOpenOrOpening()) link->close();
    reportIfFailed(records::storeSystemSetup());
    // When the settings cannot be written the program goes on as before, its waits included.
    const TcpSettings tcp = frmTCPIP->settings();
    if (const FileResult written = writeTcpSettings(settingsFilePath(), tcp.address, tcp.port); !written) {
      reportFailure(written.error);
      return;
    }
    replyWait->endSession();
    QCoreApplication::quit();
  });
}

void TfrmMain::Exit1Click() { close(); }

void TfrmMain::Loadconfiguration1Click() {
  guarded([this] {
    if (loadConfigurationFile()) session->configurationLoaded();
  });
}

void TfrmMain::Saveconfiguration1Click() {
  guarded([this] { ::Saveconfiguration1Click(*frmSaveConfig); });
}

void TfrmMain::Saveprogrammedfunctionkeys1Click() { dialogs::showMessage(QStringLiteral("Virker ikke ennå!")); }

void TfrmMain::Factorydefaults1Click() {
  records::Factorydefaults();
  addressList->setAddresses({});
  edtUserDefName->clear();
}

void TfrmMain::Remotesetup1Click() { frmTCPIP->exec(); }

void TfrmMain::Configusernamesandbuttons1Click() {
  guarded([this] { frmConfigButtons->Configusernamesandbuttons1Click(); });
}

void TfrmMain::About2Click() { frmAbout->exec(); }

void TfrmMain::Systeminformation1Click() { frmShowArray->exec(); }

void TfrmMain::btnTunerClick(int tunerNr) {
  guarded([this, tunerNr] {
    if (tunerNr == 1) frmTuner1->openWindow();
    if (tunerNr == 2) frmTuner2->openWindow();
  });
}
