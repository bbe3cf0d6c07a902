#pragma once

#include <cstdint>

class Clock;
class SerialLine;

// Takes the reply to one request off the line, one of two ways:
//  - after the fixed pause (the default timing): one read of up to the reply buffer's capacity,
//    ended by the port's time-outs, within `receive`;
//  - fast: bytes are taken as they come and the reply is complete the moment it has the length
//    its function code and byte count give (rtu::replyLength); a reply that stops half way ends
//    after the character time-out with what came, for the usual checks to judge.
// With an adapter that echoes, the request's own bytes are dropped when they come back first;
// anything else is the reply.
class ReplyReader {
 public:
  ReplyReader(SerialLine& line, Clock& clock) : line_(line), clock_(clock) {}

  struct Request {
    const uint8_t* bytes = nullptr;
    int length = 0;
    bool echoed = false;  // the adapter sends the request back ahead of the reply
  };
  struct Result {
    bool arrived = false;  // false: no reply within the wait ("no reply" to the user)
    int received = 0;      // reply bytes in the buffer, the echo not counted
  };

  Result afterPause(const Request& request, uint8_t* reply, int capacity, uint32_t waitMs);
  // `waitMs` bounds the whole wait; `characterTimeoutMs` (0: none) ends a reply that stopped.
  Result fast(const Request& request, uint8_t* reply, int capacity, uint32_t waitMs,
              uint32_t characterTimeoutMs);

 private:
  // Drops the echo from the head of `bytes` (`got` of them) once it is certain; returns the
  // number of echo bytes still possible at the head (0 once it is known there is none).
  int stripEcho(const Request& request, uint8_t* bytes, int& got, bool& decided) const;

  SerialLine& line_;
  Clock& clock_;
};
