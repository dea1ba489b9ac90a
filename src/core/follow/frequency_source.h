#pragma once
// Where the follower learns the radio's frequency and whether it transmits.
#include <QObject>
#include <QString>

#include <optional>

enum class Transmit { Receive, Transmitting, Unknown };

struct RadioState {
  std::optional<qint64> hz;  // absent: the source could not read it this time
  Transmit transmit = Transmit::Unknown;
  // The transmit state was asked after the last readNow(): a command may follow it.
  bool requested = false;
};

class FrequencySource : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;
  virtual void start() = 0;
  // "rig", "logger": how the event lines name the source.
  virtual QString name() const = 0;
  // Whether readNow() asks the radio itself; a logger only tells when it wants to.
  virtual bool readsOnRequest() const { return false; }
  // Reads the radio again as soon as it can; the reading comes with `requested` set.
  virtual void readNow() {}

 signals:
  void stateRead(const RadioState& state);
  // Only on a change; `detail` says why a link went down.
  void linkChanged(bool up, const QString& detail);
  // Something the source could not read; repeated only after a good read in between.
  void notice(const QString& text);
};
