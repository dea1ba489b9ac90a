#pragma once
// A radio behind Hamlib's rigctld: asks for the frequency and then the transmit state every poll,
// and again whenever the follower is about to send a command. The questions are rigctld's one-line
// labelled form ("|f", "|t"), so every answer names its question and a stray line cannot put the
// reading out of step.
#include <QByteArray>
#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTimer>

#include "core/follow/frequency_source.h"
#include "core/follow/rig_answer.h"
#include "core/link/line_reader.h"

class Reconnector;

class RigSource : public FrequencySource {
  Q_OBJECT
 public:
  RigSource(QString host, quint16 port, int pollMs, QObject* parent = nullptr);
  ~RigSource() override;
  void start() override;
  QString name() const override { return QStringLiteral("rig"); }
  bool readsOnRequest() const override { return true; }
  void readNow() override;

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
  // Longer than any answer line rigctld gives to "|f" or "|t".
  LineReader<QByteArray> reader_{256};
  Question asked_ = Question::None;
  RadioState reading_;
  bool roundRequested_ = false;         // this round's transmit question follows a readNow()
  bool roundAgain_ = false;             // a readNow() came after this round's transmit question
  QElapsedTimer sinceTransmitFailure_;  // invalid until "t" first fails
  std::optional<bool> up_;              // up once the rig has answered on this connection
  bool strayLineTold_ = false;
  QString lastNotice_;
};
