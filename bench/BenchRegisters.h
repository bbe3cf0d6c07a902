#pragma once

#include <cstdint>

// The registers of the bench modules R16 and D8R4, by protocol address: the one map the bench
// and the simulated bench modules share.
namespace benchmap {

enum Register : uint16_t {
  Outputs = 50,  // the output word: bit n drives output n
  Inputs = 51,   // the input word (D8R4): bit k is input k
};

}  // namespace benchmap
