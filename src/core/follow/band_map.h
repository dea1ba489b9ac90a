#pragma once
// The band map: frequency ranges in kHz, each with the panel settings to send when the radio enters
// it. Read once at start; a bad line refuses the whole map, so nothing half-understood is ever sent.
#include <QList>
#include <QString>

#include <functional>
#include <optional>

#include "core/model/operator_error.h"

// The highest frequency a rule can name (999999999.999 kHz). Frequencies from a rig or a logger
// outside 1 Hz..this are not radio frequencies and are never followed.
constexpr qint64 kHighestHz = 999'999'999'999;
constexpr bool isRadioFrequency(qint64 hz) { return hz >= 1 && hz <= kHighestHz; }

// A panel address as operators write it: exactly "0x" (or "0X") and two hexadecimal digits,
// 0x00..0x7F.
std::optional<int> readPanelAddress(QStringView text);

struct BandAction {
  enum class Kind { Panel, TunerMemory };
  Kind kind = Kind::Panel;
  int address = 0;  // Panel: bus address 0x00..0x7F
  int value = 0;    // Panel: status value 0..255
  int tuner = 0;    // TunerMemory: 1..4
  int memory = 0;   // TunerMemory: 1..48
  bool operator==(const BandAction&) const = default;
};

struct BandRule {
  qint64 fromHz = 0;  // both ends belong to the range
  qint64 toHz = 0;
  QList<BandAction> actions;
  int line = 0;  // in the map file, for the operator
  bool holds(qint64 hz) const { return fromHz <= hz && hz <= toHz; }
  // "line 3 (7000-7200 kHz)"
  QString describe() const;
};

class BandMapError : public OperatorError {
 public:
  // line 0: the map as a whole.
  BandMapError(int line, const QString& reason);
  int line() const { return line_; }
  const QString& reason() const { return reason_; }

 private:
  int line_;
  QString reason_;
};

struct BandMap {
  QList<BandRule> rules;
  // The first rule whose range holds the frequency, or nullptr.
  const BandRule* ruleFor(qint64 hz) const;
};

// Throws BandMapError naming the first bad line.
BandMap parseBandMap(QStringView text);

// Where a rule's range is taken, wholly or in part, by an earlier rule (the first rule holding a
// frequency applies): one line each.
QStringList hiddenRanges(const BandMap& map);

// A tuner memory's stored setting and the bus address of its tuner.
struct TunerMemory {
  int address = 0;
  int value = 0;
};
using TunerLookup = std::function<std::optional<TunerMemory>(int tuner, int memory)>;

// The memory's setting if the lookup has one that can be sent (address 0x00..0x7F, value 0..255):
// Tuner.dat is a file from outside.
std::optional<TunerMemory> sendableTunerMemory(const TunerLookup& lookup, int tuner, int memory);

// Throws BandMapError for the first action naming a tuner memory that cannot be sent.
void checkTunerMemories(const BandMap& map, const TunerLookup& lookup);

// Hz as kHz without trailing zeros: 3550000 -> "3550", 14074500 -> "14074.5".
QString formatKhz(qint64 hz);
