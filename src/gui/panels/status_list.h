#pragma once
// The status overview: one run-time block per Orv11, Orv15 and Orv18 panel in use, inside
// scrollStatus. Blocks are known only by their names ("ssOrv11_" + slot and so on).
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <vector>

class AddressList;
class QScrollArea;
class QWidget;
class TSevenSeg;

class StatusList : public QObject {
  Q_OBJECT
 public:
  static constexpr int ssHeight = 60;
  static constexpr int ssWidth = 40;
  static constexpr int btnLeft = 54;
  static constexpr int btnTop = 42;
  static constexpr int btnHeight = 25;
  static constexpr int btnWidth = 75;
  static constexpr int ScrollFontSize = 10;

  // The blocks go into scrollStatus's content widget (created if it has none).
  StatusList(QScrollArea* scrollStatus, AddressList* addresses, QObject* parent = nullptr);

  void StatusScroll();
  void RemoveStatus();
  void OppdaterScrollBox();
  void ShowCorrectPanel(QObject* Sender);

  // The block control of that name, or nullptr.
  QWidget* control(const QString& name) const;
  QWidget* content() const { return content_; }

  std::function<void()> cbAddressChange;
  std::function<void(int tunerNr)> btnTunerClick;

 private:
  void buildBlock(int n, int model, int r);
  void destroyControl(const QString& name);
  void reindex();
  void fitContent();
  void collectDisplays();
  template <class W>
  W* create(const QString& name);

  QScrollArea* scrollStatus_;
  AddressList* addresses_;
  QPointer<QWidget> content_;
  // Name lookup of the content's children, rebuilt at every build and removal.
  QHash<QString, QPointer<QWidget>> byName_;
  // The displays there are, with the slot and model each was built for; the refresh after every
  // reply walks these instead of looking each slot's display up by name.
  struct Display {
    int slot;
    int model;
    QPointer<TSevenSeg> ss;
  };
  std::vector<Display> displays_;
};
