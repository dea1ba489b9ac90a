#include "access/transmit_interlock.h"

TransmitInterlock::TransmitInterlock(FrequencySource* source, QSet<int> rfExceptions, QObject* parent)
    : QObject(parent), hasRadio_(source != nullptr), rfExceptions_(std::move(rfExceptions)) {
  if (!source) return;
  connect(source, &FrequencySource::stateRead, this, [this](const RadioState& state) {
    // A reading that crossed a drop says nothing of the radio now.
    if (linkUp_) update(state.transmit);
  });
  connect(source, &FrequencySource::linkChanged, this, [this](bool up, const QString&) {
    linkUp_ = up;
    // Whatever the radio does now is unknown until the source reads it again.
    update(Transmit::Unknown);
  });
}

std::optional<SetRefusal> TransmitInterlock::checkSet(int address) const {
  if (!hasRadio_ || !onRfPath(address) || transmit_ == Transmit::Receive) return std::nullopt;
  if (transmit_ == Transmit::Transmitting)
    return SetRefusal{SetRefusal::Reason::Transmitting, QStringLiteral("the radio is transmitting")};
  return SetRefusal{SetRefusal::Reason::Transmitting, QStringLiteral("the radio's state is unknown")};
}

QString TransmitInterlock::stateName(Transmit transmit) {
  switch (transmit) {
    case Transmit::Receive: return QStringLiteral("rx");
    case Transmit::Transmitting: return QStringLiteral("tx");
    case Transmit::Unknown: break;
  }
  return QStringLiteral("unknown");
}

void TransmitInterlock::update(Transmit transmit) {
  if (transmit == transmit_) return;
  transmit_ = transmit;
  emit transmitChanged(transmit_);
}
