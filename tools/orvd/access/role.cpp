#include "access/role.h"

#include <array>

namespace {
constexpr std::array kNames = {u"none", u"observe", u"operate", u"admin"};
}

QString roleName(Role role) { return QString::fromUtf16(kNames[static_cast<std::size_t>(role)]); }

std::optional<Role> readRole(QStringView text) {
  for (std::size_t i = 0; i < kNames.size(); ++i)
    if (text.compare(QStringView(kNames[i]), Qt::CaseInsensitive) == 0) return static_cast<Role>(i);
  return std::nullopt;
}
