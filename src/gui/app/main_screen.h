#pragma once
// The main window as the session flow's screen.
#include "core/session/session_screen.h"

class TfrmMain;

class MainScreen : public SessionScreen {
 public:
  explicit MainScreen(TfrmMain& window) : w_(window) {}

  void setAddressList(const QList<int>& addresses) override;
  void selectFirstAddress() override;
  int selectedSlot() const override;
  void showProduct(const QString& name, const QString& userName) override;
  void showMessage(const QString& text) override;
  void closeTunerWindows() override;
  void RemoveStatus() override;
  void UpdateUsrButtons() override;
  void VisPanel(int slot) override;
  void showForAddressChange(int slot) override;
  void OppdaterPanel(int slot) override;
  void StatusScroll() override;
  void refreshStatusList() override;
  void refreshTuners() override;

 private:
  TfrmMain& w_;
};
