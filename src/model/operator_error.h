#pragma once
// A failure that ends the current event handler and is shown to the operator as it stands.
#include <QString>

#include <exception>

class OperatorError : public std::exception {
 public:
  explicit OperatorError(QString message) : message_(std::move(message)), utf8_(message_.toUtf8()) {}
  const QString& message() const { return message_; }
  const char* what() const noexcept override { return utf8_.constData(); }

 private:
  QString message_;
  QByteArray utf8_;
};
