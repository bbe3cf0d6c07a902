#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <array>
#include <atomic>
#include <mutex>

struct LinkContext;

// The module's control block (registers 8-11): which command it executes and its control
// state, with the texts the window shows for them.
class ControlState : public QObject {
  Q_OBJECT
 public:
  // The display texts of [cmd_stat] and [ctrl_stat], read once at start-up.
  void loadTexts(const QStringList& commandTexts, const QStringList& controlStateTexts);
  // Reads the block; on failure reports the link failure and shows "---".
  bool readControlState(const LinkContext& link);

  std::array<uint16_t, 4> block() const;
  QString commandText() const;  // StaticText3
  QString stateText() const;    // StaticText2

 signals:
  void changed();

 private:
  mutable std::mutex mutex_;
  std::array<uint16_t, 4> block_{};
  QStringList commandTexts_, stateTexts_;
  QString commandText_, stateText_;
  int stateShown_ = -1;
};
