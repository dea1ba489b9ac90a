#pragma once
// A failure that ends the current event handler and is shown to the operator as it stands.
#include <QString>

#include <exception>
#include <utility>

class OperatorError : public std::exception {
 public:
  explicit OperatorError(QString message) : message_(std::move(message)), utf8_(message_.toUtf8()) {}
  const QString& message() const { return message_; }
  const char* what() const noexcept override { return utf8_.constData(); }

 private:
  QString message_;
  QByteArray utf8_;
};

// Runs one handler's body, the one place where a failure ends a handler: an OperatorError (or any
// other exception) ends the body and its message goes to `report`; nothing is thrown on, so no
// exception crosses a Qt frame. False when the body failed.
template <class Body, class Report>
bool runHandler(Body&& body, Report&& report) {
  try {
    std::forward<Body>(body)();
    return true;
  } catch (const OperatorError& e) {
    report(e.message());
  } catch (const std::exception& e) {
    report(QString::fromUtf8(e.what()));
  }
  return false;
}
