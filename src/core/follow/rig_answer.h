#pragma once
// One answer line of rigctld to its labelled questions "|f" and "|t", read from bytes a rig on the
// network sent.
#include <QByteArrayView>

#include <optional>

#include "core/follow/frequency_source.h"

// What one answer line of rigctld says; nullopt for a line that answers neither question.
struct RigAnswer {
  enum class To { Frequency, Transmit };
  To to = To::Frequency;
  std::optional<qint64> hz;               // To::Frequency, when it could be read
  Transmit transmit = Transmit::Unknown;  // To::Transmit
};
std::optional<RigAnswer> readRigAnswer(QByteArrayView line);
