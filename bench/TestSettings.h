#pragma once

#include <QObject>
#include <QString>
#include <QVector>
#include <array>
#include <mutex>

class SettingsStore;

// The test tab's settings edits and the output codes grid as core state: the texts the user
// sees (they may hold anything) and the values a test takes from them, with the run-time
// fallback when a text is not an integer. The window writes what the user types here; the
// worker reads it during a test.
class TestSettings : public QObject {
  Q_OBJECT
 public:
  enum Edit {
    DiCycles,
    Time1,
    Time0,
    DICount,
    DoCycles,
    DoTime1,
    DoTime0,
    DoCount,
    MTCycles,
    OvCycles,
    ShortCycles,
    MotTime,
    BeforeShortTime,
    OvTime,
    OvRms,
    OvTimeout,
    EditCount
  };
  struct Field {
    const char* objectName;  // of the edit on the test tab
    const char* label;       // beside the edit, and in the protocol
    const char* section;     // of tp.ini
    const char* key;
    const char* loadDefault;  // shown when the key is missing
    int fallback;             // taken by a test when the text is not an integer
  };
  static const Field& field(Edit edit);

  // One row of StringGridCodes: the output step's name and the R16 word, as typed.
  struct CodeRow {
    QString name;
    QString code;
  };

  // loadTestSettings: every edit from tp.ini, then the codes grid ([do] number rows).
  void load(const SettingsStore& tp);
  // saveTestSettings: every edit, then every row of the grid, then the file is flushed; false
  // when the flush failed (the store says why).
  bool save(SettingsStore& tp) const;

  QString text(Edit edit) const;
  void setText(Edit edit, const QString& text);
  // The integer in the edit, or its fallback.
  int value(Edit edit) const;
  // True when the edit holds an integer; the value then stands in `value`.
  bool integer(Edit edit, int* value) const;

  QVector<CodeRow> codes() const;
  void setCode(int row, const CodeRow& code);

 signals:
  // The texts were replaced from tp.ini; the window shows them afresh.
  void loaded();

 private:
  mutable std::mutex mutex_;
  std::array<QString, EditCount> texts_;
  QVector<CodeRow> codes_;
};
