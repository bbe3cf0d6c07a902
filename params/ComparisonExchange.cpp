#include "params/ComparisonExchange.h"

void ComparisonExchange::setFile(const QString& path) {
  std::lock_guard lock(mutex_);
  file_ = path;
}

QString ComparisonExchange::file() const {
  std::lock_guard lock(mutex_);
  return file_;
}

void ComparisonExchange::setFound(const ParameterDifferences& found) {
  std::lock_guard lock(mutex_);
  found_ = found;
}

ParameterDifferences ComparisonExchange::found() const {
  std::lock_guard lock(mutex_);
  return found_;
}

void ComparisonExchange::setToWrite(const ParameterDifferences& rows) {
  std::lock_guard lock(mutex_);
  toWrite_ = rows;
}

ParameterDifferences ComparisonExchange::toWrite() const {
  std::lock_guard lock(mutex_);
  return toWrite_;
}
