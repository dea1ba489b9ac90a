#pragma once
// What a client of the hub may do; each role may do everything of the one below it.
#include <QString>

#include <optional>

enum class Role { None, Observe, Operate, Admin };

// "none", "observe", "operate", "admin"
QString roleName(Role role);
// The name as roleName() writes it, in any letter case.
std::optional<Role> readRole(QStringView text);
