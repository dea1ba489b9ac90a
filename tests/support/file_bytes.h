#pragma once
// Whole files as bytes, for tests that check what the program wrote or give it what to read.
#include <QFile>
#include <QtTest>

// The first `count` records of a program-wide table, byte for byte as a record file holds them.
template <class T, std::size_t N>
QByteArray tableBytes(const T (&table)[N], int count = N) {
  return QByteArray(reinterpret_cast<const char*>(table), qsizetype(sizeof(T)) * count);
}

inline QByteArray fileBytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void writeFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  QCOMPARE(f.write(bytes), bytes.size());
}
