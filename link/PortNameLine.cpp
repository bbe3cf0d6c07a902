#include "link/PortNameLine.h"

#include "link/LinkSettings.h"

PortNameLine::PortNameLine(std::unique_ptr<SerialLine> serial, std::unique_ptr<SerialLine> network)
    : serial_(std::move(serial)), network_(std::move(network)), current_(serial_.get()) {}

bool PortNameLine::open(const QString& device) {
  if (current_->isOpen()) return true;
  current_ = LinkSettings::isNetworkPort(device) ? network_.get() : serial_.get();
  return current_->open(device);
}
