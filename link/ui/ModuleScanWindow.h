#pragma once

#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

#include "link/LinkContext.h"
#include "link/ModuleScan.h"

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableWidget;

// "Поиск модулей": finds modules whose address or line settings nobody wrote down. The search
// itself (ModuleScan) runs on the worker as one job, in place of the poll passes; this window
// sets its plan, shows its progress and what answered, and "Использовать" makes the chosen
// module the program's: its address and line settings go into mem.ini's [connect] as the link
// settings dialog puts them, and the poll cycle reopens the port with them.
class ModuleScanWindow : public QWidget {
  Q_OBJECT
 public:
  using Post = std::function<void(std::function<void()>)>;
  ModuleScanWindow(const LinkContext& link, Post post, QWidget* parent = nullptr);
  ~ModuleScanWindow() override;

  QSpinBox* firstAddress() const { return first_; }
  QSpinBox* lastAddress() const { return last_; }
  QCheckBox* speedBox(int index) const { return speeds_[size_t(index)]; }
  QPushButton* startButton() const { return start_; }
  QPushButton* stopButton() const { return stop_; }
  QPushButton* useButton() const { return use_; }
  QProgressBar* progressBar() const { return progress_; }
  QLabel* stateLabel() const { return state_; }
  QTableWidget* table() const { return table_; }
  const std::vector<FoundModule>& found() const { return found_; }
  bool running() const { return running_; }

  void start();
  void stop();
  // Puts the module of the selected row into mem.ini; false when no row is chosen.
  bool useSelected();

 private:
  // What the worker and this window share: the stop request, and whether the search has begun
  // (claimed once, by the job when it starts or by "Стоп" while it still waits for the worker).
  // The worker's job holds it, so it outlives a window closed in the middle of a search.
  struct Shared {
    std::atomic_bool stop{false};
    std::atomic_bool begun{false};
  };
  void addFound(const FoundModule& m);
  void showProgress(int done, int total, uint32_t leftMs);
  void finished(ModuleScan::Outcome outcome);
  void setRunning(bool running);

  LinkContext link_;
  Post post_;
  std::shared_ptr<Shared> shared_;
  std::vector<FoundModule> found_;
  bool running_ = false;
  QSpinBox* first_ = nullptr;
  QSpinBox* last_ = nullptr;
  std::vector<QCheckBox*> speeds_;
  QPushButton* start_ = nullptr;
  QPushButton* stop_ = nullptr;
  QPushButton* use_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QLabel* state_ = nullptr;
  QLabel* refused_ = nullptr;
  QTableWidget* table_ = nullptr;
};
