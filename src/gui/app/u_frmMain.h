#pragma once
#include <QMainWindow>

class AddressList;
class CommandLog;
class ControllerLink;
class PanelControlArea;
class QComboBox;
class QLabel;
class QLineEdit;
class TCommandLog;
class QPushButton;
class QScrollArea;
class QWidget;
class StatusList;
class ReplyWait;
class Session;
class TfrmAbout;
class TfrmConfigButtons;
class TfrmSaveConfig;
class TfrmShowArray;
class TfrmTCPIP;
class TfrmTuner1;
class TfrmTuner2;
class UserButtons;

// The main window. It owns the connection, every other window and every region, and wires them.
class TfrmMain : public QMainWindow {
  Q_OBJECT
 public:
  // `installedPath` stands in for defaultProgramFolder() (tests run the window in a folder of their own).
  explicit TfrmMain(const QString& installedPath = QString());
  ~TfrmMain() override;

  // The client area below the menu bar, 938 x 501 at start; every position is measured in it.
  QWidget* clientArea;
  QPushButton* btnConn_DisConn;
  QPushButton* btnStopWaiting;
  QPushButton* btnScan;
  QLabel* lblProdukt;
  QComboBox* cbAddress;
  QLineEdit* edtUserDefName;
  TCommandLog* lbRespons;
  QPushButton* Button3;
  QPushButton* Button9;
  QScrollArea* sbKnapper;
  QScrollArea* scrollStatus;
  QPushButton* btnClose;

  ControllerLink* link;
  CommandLog* commandLog;
  ReplyWait* replyWait;
  AddressList* addressList;
  PanelControlArea* panels;
  StatusList* statusList;
  UserButtons* userButtons;
  Session* session;

  TfrmConfigButtons* frmConfigButtons = nullptr;
  TfrmSaveConfig* frmSaveConfig = nullptr;
  TfrmShowArray* frmShowArray = nullptr;
  TfrmAbout* frmAbout = nullptr;
  TfrmTuner1* frmTuner1 = nullptr;
  TfrmTuner2* frmTuner2 = nullptr;
  TfrmTCPIP* frmTCPIP = nullptr;

  void btnConn_DisConnClick();
  void btnScanClick();
  void btnStopWaitingClick();
  void Button3Click();
  void Button9Click();
  void btnCloseClick();
  void Exit1Click();
  void Loadconfiguration1Click();
  void Saveconfiguration1Click();
  void Saveprogrammedfunctionkeys1Click();
  void Factorydefaults1Click();
  void Remotesetup1Click();
  void Configusernamesandbuttons1Click();
  void About2Click();
  void Systeminformation1Click();
  void btnTunerClick(int tunerNr);

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildClientArea();
  void buildMenu();
  void showWhatTheSessionTells();
  void closeTunerWindows();
  void refreshTuners();
  void FormCreate();
  void FormShow();
  void ClientSocket1Disconnect();
  void followAnchors();
  void setKeyboardOrder();

  QString installedPath_;
  bool shownOnce_ = false;
};
