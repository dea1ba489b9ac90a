#include "core/follow/rig_source.h"

#include <algorithm>

#include "core/follow/printable.h"
#include "core/follow/reconnector.h"

RigSource::RigSource(QString host, quint16 port, int pollMs, QObject* parent)
    : FrequencySource(parent),
      host_(std::move(host)),
      port_(port),
      pollMs_(pollMs),
      reconnector_(new Reconnector(
          &socket_, [this] { connectToRig(); }, this)) {
  pollTimer_.setInterval(pollMs_);
  answerTimer_.setSingleShot(true);
  connect(&pollTimer_, &QTimer::timeout, this, &RigSource::poll);
  connect(&answerTimer_, &QTimer::timeout, this, [this] {
    onLost(QStringLiteral("no answer from the rig within %1 ms").arg(answerTimeoutMs()));
    reconnector_->dropAndRetry();
  });
  connect(&socket_, &QTcpSocket::connected, this, &RigSource::onConnected);
  connect(&socket_, &QTcpSocket::readyRead, this, &RigSource::readAnswers);
  connect(&socket_, &QTcpSocket::disconnected, this,
          [this] { onLost(QStringLiteral("the rig closed the connection")); });
  connect(&socket_, &QTcpSocket::errorOccurred, this, [this] { onLost(socket_.errorString()); });
}

void RigSource::start() { connectToRig(); }

int RigSource::answerTimeoutMs() const { return std::max(2000, 4 * pollMs_); }

void RigSource::connectToRig() { socket_.connectToHost(host_, port_); }

void RigSource::onConnected() {
  socket_.setSocketOption(QAbstractSocket::KeepAliveOption, 1);
  socket_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
  strayLineTold_ = false;
  pollTimer_.start();
  poll();
}

void RigSource::onLost(const QString& detail) {
  pollTimer_.stop();
  answerTimer_.stop();
  reader_.clear();
  asked_ = Question::None;
  roundRequested_ = roundAgain_ = false;
  if (up_ == false) return;
  up_ = false;
  emit linkChanged(false, detail);
}

void RigSource::readNow() {
  if (socket_.state() != QAbstractSocket::ConnectedState) return;
  if (asked_ == Question::Transmit)
    roundAgain_ = true;
  else
    roundRequested_ = true;
  if (asked_ == Question::None) poll();
}

void RigSource::poll() {
  // The last round is still under way; the answer timer watches it.
  if (asked_ != Question::None) return;
  reading_ = {};
  ask(Question::Frequency);
}

void RigSource::ask(Question question) {
  asked_ = question;
  socket_.write(question == Question::Frequency ? "|f\n" : "|t\n");
  answerTimer_.start(answerTimeoutMs());
}

void RigSource::readAnswers() {
  for (const auto& line : reader_.read(socket_.readAll())) {
    if (line.cut)
      tellOnce("the rig sent an over-long line: " + printable(line.text.first(40)) + "...");
    else
      answer(line.text);
  }
}

void RigSource::answer(const QByteArray& line) {
  const auto answer = readRigAnswer(line);
  const bool asked = answer && ((answer->to == RigAnswer::To::Frequency && asked_ == Question::Frequency) ||
                                (answer->to == RigAnswer::To::Transmit && asked_ == Question::Transmit));
  if (!asked) {
    // Said once per connection: a rig that adds a line to every answer would fill the log.
    if (!strayLineTold_)
      emit notice("ignored a line from the rig that answers no question: " + printable(line.left(60)));
    strayLineTold_ = true;
    return;
  }
  answerTimer_.stop();
  if (up_ != true) {
    up_ = true;
    reconnector_->linkProven();
    emit linkChanged(true, {});
  }
  if (asked_ == Question::Frequency) {
    reading_.hz = answer->hz;
    if (!reading_.hz) tellOnce("the rig answered " + printable(line) + " when asked for the frequency");
    ask(Question::Transmit);
    return;
  }
  asked_ = Question::None;
  reading_.transmit = answer->transmit;
  if (reading_.transmit == Transmit::Unknown) {
    sinceTransmitFailure_.start();
    tellOnce("the rig answered " + printable(line) + " when asked whether it transmits");
  } else if (reading_.transmit == Transmit::Receive && sinceTransmitFailure_.isValid() &&
             !sinceTransmitFailure_.hasExpired(kReceiveTrustedAfterFailureMs)) {
    reading_.transmit = Transmit::Unknown;
  }
  if (reading_.hz && reading_.transmit != Transmit::Unknown) lastNotice_.clear();
  reading_.requested = std::exchange(roundRequested_, std::exchange(roundAgain_, false));
  // A copy: the follower may start the next round, which clears reading_, while it reads this one.
  const RadioState read = reading_;
  emit stateRead(read);
  // A readNow() that came while this round's transmit question was out gets a round of its own.
  if (roundRequested_ && asked_ == Question::None) poll();
}

void RigSource::tellOnce(const QString& text) {
  if (text == lastNotice_) return;
  lastNotice_ = text;
  emit notice(text);
}

// The socket closes as it is destroyed; its signals must not reach members already gone.
RigSource::~RigSource() { socket_.disconnect(); }
