#include "client_request.h"

#include "core/link/protocol.h"
#include "core/model/formatting.h"
#include "core/model/system_table.h"

namespace {

constexpr int kLargestValue = 255;

// The builders' text without its CR LF.
bool spelledAs(QStringView line, const QString& command) { return line == QStringView(command).chopped(2); }

}  // namespace

std::optional<Request> readClientRequest(QStringView line) {
  if (spelledAs(line, command::nameRequest())) return Request::name();
  constexpr qsizetype kAddressEnd = 5;  // "#0xAA"
  if (line.size() <= kAddressEnd || !line.startsWith(u"#0x")) return std::nullopt;
  bool ok = false;
  const int address = line.sliced(3, 2).toInt(&ok, 16);
  if (!ok || address < 0 || address >= SystemSlots) return std::nullopt;
  if (spelledAs(line, command::statusRequest(address))) return Request::status(address);
  static const QString setStart = QStringLiteral(" Set X:1=");
  const QStringView rest = line.sliced(kAddressEnd);
  if (!rest.startsWith(setStart)) return std::nullopt;
  const int value = rest.sliced(setStart.size()).toInt(&ok, 10);
  // The round trip turns away what a number reading forgives: signs, blanks, leading zeros.
  if (!ok || value < 0 || value > kLargestValue || !spelledAs(line, command::setValue(address, value)))
    return std::nullopt;
  return Request::set(address, value);
}

QString statusReplyLine(int address, int value) {
  return addressText(address).prepend(u'#') + QStringLiteral(" Ret X:1=") + QString::number(value);
}
