#pragma once

#include <gtest/gtest.h>

#include <QFile>
#include <QString>
#include <QStringList>

// Compares a sequence with its golden file in tests/bench/golden/. The files were checked line
// by line against the test's written sequence of bench writes and grid rows; a change in
// behaviour shows as the first line that differs. TARVIX_UPDATE_GOLDEN=1 writes the files
// afresh, for a change that was meant (review the diff before committing).
inline void expectGolden(const QString& name, const QStringList& lines) {
  const QString path = QStringLiteral(TARVIX_GOLDEN_DIR "/") + name;
  const QString text = lines.join('\n') + '\n';
  if (qEnvironmentVariableIntValue("TARVIX_UPDATE_GOLDEN") == 1) {
    QFile out(path);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write(text.toUtf8());
    return;
  }
  QFile in(path);
  ASSERT_TRUE(in.open(QIODevice::ReadOnly)) << path.toStdString();
  const QStringList golden = QString::fromUtf8(in.readAll()).split('\n');
  const QStringList actual = text.split('\n');
  for (int i = 0; i < std::max(golden.size(), actual.size()); ++i) {
    if (golden.value(i) == actual.value(i)) continue;
    ADD_FAILURE() << name.toStdString() << " line " << i + 1
                  << ":\n  golden: " << golden.value(i).toStdString()
                  << "\n  actual: " << actual.value(i).toStdString();
    return;
  }
}
