#pragma once
// A radio behind Hamlib's rigctld: asks "f" (frequency in Hz) and then "t" (0 receive, 1 to 3
// transmit) every poll, one question at a time, and reads the answers line by line.
#include <QByteArray>
#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTimer>

#include "follow/frequency_source.h"

class Reconnector;

class RigSource : public FrequencySource {
  Q_OBJECT
 public:
  RigSource(QString host, quint16 port, int pollMs, QObject* parent = nullptr);
  ~RigSource() override;
  void start() override;
  QString name() const override { return QStringLiteral("rig"); }

  // A rig that leaves a question unanswered this long is taken as gone and reconnected.
  int answerTimeoutMs() const;

  // After a failed "t", rigctld answers "0" from its cache for a while (500 ms by default) although
  // the radio reports nothing; "receive" is believed again only after this long without a failure.
  static constexpr int kReceiveTrustedAfterFailureMs = 3000;

 private:
  enum class Question { None, Frequency, Transmit };

  void connectToRig();
  void onConnected();
  void onLost(const QString& detail);
  void poll();
  void ask(Question question);
  void readAnswers();
  void answer(const QByteArray& line);
  void tellOnce(const QString& text);

  QString host_;
  quint16 port_;
  int pollMs_;
  QTcpSocket socket_;
  Reconnector* reconnector_;
  QTimer pollTimer_;
  QTimer answerTimer_;
  QByteArray pending_;
  Question asked_ = Question::None;
  RadioState reading_;
  QElapsedTimer sinceTransmitFailure_;  // invalid until "t" first fails
  std::optional<bool> up_;
  QString lastNotice_;
};
