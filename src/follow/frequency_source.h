#pragma once
// Where the follower learns the radio's frequency and whether it transmits.
#include <QObject>
#include <QString>

#include <optional>

enum class Transmit { Receive, Transmitting, Unknown };

struct RadioState {
  std::optional<qint64> hz;  // absent: the source could not read it this time
  Transmit transmit = Transmit::Unknown;
};

class FrequencySource : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;
  virtual void start() = 0;
  // "rig", "logger": how the event lines name the source.
  virtual QString name() const = 0;

 signals:
  void stateRead(const RadioState& state);
  // Only on a change; `detail` says why a link went down.
  void linkChanged(bool up, const QString& detail);
  // Something the source could not read; repeated only after a good read in between.
  void notice(const QString& text);
};
