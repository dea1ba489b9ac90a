#pragma once
// A folder that refuses new files while the files in it stay writable, as a read-only or immutable
// folder or some network shares do. Root passes every permission check, so for root a read-only
// mode alone refuses nothing: this thread then also gives up its capability to override
// permissions while the refusal lasts. Where neither can be had, `whyNot()` says so and the test
// skips.
#include <QDir>
#include <QFile>
#include <QString>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <linux/capability.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

class RefusingFolder {
 public:
  enum Kind { ReadOnly, Immutable };

  RefusingFolder(const QString& folder, Kind kind) : folder_(folder), kind_(kind) {
    if (kind == ReadOnly) {
      changed_ = ::chmod(QFile::encodeName(folder).constData(), 0555) == 0;
      if (!changed_) {
        fail("chmod");
        return;
      }
      if (refusesNewFiles()) return;
      if (!dropPermissionOverride()) {
        fail("dropping the capability to override permissions");
        return;
      }
    } else {
      changed_ = setImmutable(true);
      if (!changed_) {
        fail("setting the immutable flag");
        return;
      }
    }
    if (!refusesNewFiles()) why_ = QStringLiteral("the folder still takes new files");
  }

  ~RefusingFolder() {
    restoreCapabilities();
    if (!changed_) return;
    if (kind_ == ReadOnly)
      ::chmod(QFile::encodeName(folder_).constData(), 0755);
    else
      setImmutable(false);
  }

  RefusingFolder(const RefusingFolder&) = delete;
  RefusingFolder& operator=(const RefusingFolder&) = delete;

  // Empty when the folder refuses new files.
  QString whyNot() const { return why_; }

 private:
  void fail(const char* what) { why_ = QStringLiteral("%1 failed: %2").arg(QLatin1String(what), strerror(errno)); }

  bool refusesNewFiles() const {
    const QByteArray probe = QFile::encodeName(folder_ + QStringLiteral("/.probe"));
    const int fd = ::open(probe.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (fd < 0) return true;
    ::close(fd);
    ::unlink(probe.constData());
    return false;
  }

  bool setImmutable(bool on) const {
    const int fd = ::open(QFile::encodeName(folder_).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
      flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
      ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    const int error = errno;
    ::close(fd);
    errno = error;
    return ok;
  }

  // Capabilities are held per thread; only the effective set changes, so they can be raised again.
  bool dropPermissionOverride() {
    header_ = {_LINUX_CAPABILITY_VERSION_3, 0};
    if (::syscall(SYS_capget, &header_, saved_) != 0) return false;
    __user_cap_data_struct lowered[2];
    std::memcpy(lowered, saved_, sizeof lowered);
    lowered[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
    if (::syscall(SYS_capset, &header_, lowered) != 0) return false;
    dropped_ = true;
    return true;
  }

  void restoreCapabilities() {
    if (dropped_) ::syscall(SYS_capset, &header_, saved_);
    dropped_ = false;
  }

  QString folder_;
  Kind kind_;
  QString why_;
  bool changed_ = false;
  bool dropped_ = false;
  __user_cap_header_struct header_{};
  __user_cap_data_struct saved_[2]{};
};
