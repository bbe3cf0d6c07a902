#include "link/BusMonitor.h"

#include <QSaveFile>
#include <QTimer>
#include <algorithm>

#include "link/FrameRecorder.h"

BusMonitor::BusMonitor(QObject* parent) : QAbstractTableModel(parent) {}

void BusMonitor::attach(FrameRecorder& recorder) {
  recorder_ = &recorder;
  // Queued even when both live on this thread: the client is mid-exchange when it announces.
  // The take waits kHandOverMs after the announcement, so a busy bus costs the window a few
  // redraws a second, not one per exchange.
  connect(
      &recorder, &FrameRecorder::framesPending, this,
      [this] {
        if (takeScheduled_) return;
        takeScheduled_ = true;
        QTimer::singleShot(kHandOverMs, this, [this] {
          takeScheduled_ = false;
          FrameRecorder::Batch batch = recorder_->take();
          if (!batch.frames.empty() || batch.dropped)
            append(std::move(batch.frames), batch.dropped);
        });
      },
      Qt::QueuedConnection);
}

void BusMonitor::count(const BusFrame& frame) {
  if (frame.received) return;  // an exchange is counted once, by its request
  Counters& c = counters_;
  ++c.requests;
  if (frame.failed())
    ++c.failures[size_t(frame.outcome)];
  else
    ++c.successes;
  if (frame.attempt > 1) ++c.retries;
  c.totalMs += frame.exchangeMs;
  c.worstMs = std::max<uint32_t>(c.worstMs, frame.exchangeMs);
}

void BusMonitor::append(std::deque<BusFrame> frames, uint64_t lost) {
  counters_.lost += lost;
  bool newAddress = false;
  for (const BusFrame& f : frames) {
    count(f);
    if (!seen_.contains(f.slave)) {
      seen_.insert(f.slave);
      newAddress = true;
    }
  }
  if (newAddress) emit addressesChanged();
  if (paused_) {
    skipped_ += frames.size();
    emit countersChanged();
    return;
  }
  if (frames.size() > kMaxFrames) frames.erase(frames.begin(), frames.end() - kMaxFrames);

  // The oldest go first, so the table never holds more than the bound.
  const size_t total = frames_.size() + frames.size();
  const size_t over = total > kMaxFrames ? total - kMaxFrames : 0;  // at most frames_.size()
  if (over > 0) {
    const uint64_t keepFrom = firstSeq_ + over;
    const auto firstKept = std::lower_bound(shown_.begin(), shown_.end(), keepFrom);
    const int gone = int(firstKept - shown_.begin());
    if (gone > 0) beginRemoveRows(QModelIndex(), 0, gone - 1);
    shown_.erase(shown_.begin(), firstKept);
    frames_.erase(frames_.begin(), frames_.begin() + std::ptrdiff_t(over));
    firstSeq_ = keepFrom;
    if (gone > 0) endRemoveRows();
  }

  std::vector<uint64_t> accepted;
  const uint64_t nextSeq = firstSeq_ + frames_.size();
  for (size_t i = 0; i < frames.size(); ++i)
    if (accepts(frames[i])) accepted.push_back(nextSeq + i);
  for (BusFrame& f : frames) frames_.push_back(std::move(f));
  if (!accepted.empty()) {
    const int row = int(shown_.size());
    beginInsertRows(QModelIndex(), row, row + int(accepted.size()) - 1);
    shown_.insert(shown_.end(), accepted.begin(), accepted.end());
    endInsertRows();
  }
  emit countersChanged();
}

QString BusMonitor::countersText(const QString& separator) const {
  const Counters& c = counters_;
  QString text = QStringLiteral("Запросов: %1, успешно: %2, повторов: %3%4Ошибки:")
                     .arg(c.requests)
                     .arg(c.successes)
                     .arg(c.retries)
                     .arg(separator);
  for (int k = 1; k < kExchangeOutcomeCount; ++k)
    text += QStringLiteral(" %1 %2%3")
                .arg(outcomeName(ExchangeOutcome(k)))
                .arg(c.failures[size_t(k)])
                .arg(k + 1 < kExchangeOutcomeCount ? QStringLiteral(",") : QString());
  text += separator + QStringLiteral("Время обмена: среднее %1 мс, наибольшее %2 мс")
                          .arg(c.meanMs(), 0, 'f', 1)
                          .arg(c.worstMs);
  if (c.lost) text += QStringLiteral(", потеряно кадров: %1").arg(c.lost);
  return text;
}

const BusFrame& BusMonitor::frameAt(int row) const {
  return frames_[size_t(shown_[size_t(row)] - firstSeq_)];
}

void BusMonitor::clear() {
  beginResetModel();
  firstSeq_ += frames_.size();
  frames_.clear();
  shown_.clear();
  endResetModel();
  counters_ = Counters();
  skipped_ = 0;
  seen_.clear();
  emit addressesChanged();
  emit countersChanged();
}

void BusMonitor::setPaused(bool paused) {
  if (paused && !paused_) skipped_ = 0;
  paused_ = paused;
  emit countersChanged();
}

bool BusMonitor::accepts(const BusFrame& frame) const {
  if (failuresOnly_ && !frame.failed()) return false;
  return !addressFilter_ || frame.slave == *addressFilter_;
}

void BusMonitor::rebuildShown() {
  beginResetModel();
  shown_.clear();
  for (size_t i = 0; i < frames_.size(); ++i)
    if (accepts(frames_[i])) shown_.push_back(firstSeq_ + i);
  endResetModel();
}

void BusMonitor::setAddressFilter(std::optional<uint8_t> address) {
  if (address == addressFilter_) return;
  addressFilter_ = address;
  rebuildShown();
}

void BusMonitor::setFailuresOnly(bool on) {
  if (on == failuresOnly_) return;
  failuresOnly_ = on;
  rebuildShown();
}

void BusMonitor::setAddressNames(const QMap<uint8_t, QString>& names) {
  names_ = names;
  if (!shown_.empty())
    emit dataChanged(index(0, Address), index(rowCount() - 1, Address), {Qt::DisplayRole});
  emit addressesChanged();
}

QString BusMonitor::addressText(uint8_t address) const {
  const QString name = names_.value(address);
  return name.isEmpty() ? QString::number(address)
                        : QStringLiteral("%1 (%2)").arg(address).arg(name);
}

QList<uint8_t> BusMonitor::addresses() const {
  QSet<uint8_t> all = seen_;
  for (auto it = names_.begin(); it != names_.end(); ++it) all.insert(it.key());
  QList<uint8_t> list(all.begin(), all.end());
  std::sort(list.begin(), list.end());
  return list;
}

bool BusMonitor::save(const QString& path, QString* error) const {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
    *error = file.errorString();
    return false;
  }
  QByteArray text = QByteArrayLiteral(
      "# время;напр.;адрес;функция;регистр;кол-во;значения;байты;результат;попытка\n");
  text += "# " + countersText().toUtf8() + '\n';
  for (size_t row = 0; row < shown_.size(); ++row) text += frameAt(int(row)).line().toUtf8() + '\n';
  if (file.write(text) != text.size() || !file.commit()) {
    *error = file.errorString();
    return false;
  }
  return true;
}

int BusMonitor::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : int(shown_.size());
}

int BusMonitor::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant BusMonitor::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return QVariant();
  const BusFrame& f = frameAt(index.row());
  if (role == FailedRole) return f.failed();
  if (role == Qt::TextAlignmentRole)
    return index.column() == Values || index.column() == Bytes || index.column() == Result
               ? QVariant(int(Qt::AlignLeft | Qt::AlignVCenter))
               : QVariant(int(Qt::AlignCenter));
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return QVariant();
  switch (Column(index.column())) {
    case Time:
      return f.timeText();
    case Direction:
      return f.received ? QStringLiteral("RX") : QStringLiteral("TX");
    case Address:
      return addressText(f.frameAddress());
    case Function:
      return f.functionText();
    case First:
      return f.first;
    case Count:
      return f.count;
    case Values:
      return f.valuesText();
    case Bytes:
      return f.hexText();
    case Result:
      return f.result;
    case Attempt:
      return f.attempt;
  }
  return QVariant();
}

QVariant BusMonitor::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return QVariant();
  static const char* const titles[kColumnCount] = {"Время",     "Напр.",  "Адрес",    "Функция",
                                                   "Регистр",   "Кол-во", "Значения", "Байты",
                                                   "Результат", "Попытка"};
  return section >= 0 && section < kColumnCount ? QString::fromUtf8(titles[section]) : QVariant();
}
