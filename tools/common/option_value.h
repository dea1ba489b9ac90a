#pragma once
// The command-line tools' reading of an option that takes a value.
#include <QString>
#include <QStringList>

#include <optional>

// The value of "--name VALUE" or "--name=VALUE" at args[i]; advances i past it. "--name" last on
// the line is `badUse(name + " needs a value")`, which does not return.
template <class BadUse>
std::optional<QString> optionValue(const QStringList& args, qsizetype& i, const QString& name, BadUse badUse) {
  const QString& a = args[i];
  if (a == name) {
    if (i + 1 >= args.size()) badUse(name + QStringLiteral(" needs a value"));
    i += 2;
    return args[i - 1];
  }
  if (a.startsWith(name + u'=')) {
    ++i;
    return a.mid(name.size() + 1);
  }
  return std::nullopt;
}
