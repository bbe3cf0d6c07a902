#pragma once

class AppCore;

// The status read of every poll pass: control block, inputs, outputs and the block of the
// visible page; and the blanking of all value columns when the link is lost.
class StatusReader {
 public:
  explicit StatusReader(AppCore& core) : core_(core) {}
  bool readStatus();
  void clearStatusTables();

 private:
  AppCore& core_;
};
