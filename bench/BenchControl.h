#pragma once

#include <cstdint>

#include "bench/BenchContext.h"

// The bench as the manual controls and every test step use it: the supply voltage, the bench
// reset, and the requests of the test and control tabs that the poll pass serves.
namespace benchcontrol {

// The password the production test changes the motor voltage type with.
constexpr uint16_t kTestPassword = 5249;
// The R16 word held during every motor run (bits 8 and 11).
constexpr uint16_t kMotionPermitWord = 0x900;

// resetBench: the test tab's bench buttons released, then R16 and D8R4 switched off; failed
// writes are not reported.
void resetBench(const BenchContext& ctx);

// ensureMotorVoltageType: makes register 119 equal `type` (0 = 24 V, else 220 V) through the
// motor voltage change with the test password, then reads it back. Firmware below 200 has no
// such register: success without traffic. `lastRead`, when given, takes the value of the last
// read of register 119 that succeeded (left alone when none did).
bool ensureMotorVoltageType(const BenchContext& ctx, int type, int* lastRead = nullptr);

// selectBenchVoltage: the motor voltage type, then the test tab's buttons as "24В" or "220В"
// sets them (inputs i2 and i4, the supply relay), whose words the same or the next pass writes.
void selectBenchVoltage(const BenchContext& ctx, int voltage);

// Poll pass, module online: the "24В" and "220В" requests, in this order.
void serveVoltageRequests(const BenchContext& ctx);
// Poll pass, port open, after the output words: the "Сброс" request.
void serveResetRequest(const BenchContext& ctx);

// The relay bit of a supply: [motion] bit_24 (default 1) or bit_220 (default 0).
int supplyBit(const BenchContext& ctx, bool v220);

}  // namespace benchcontrol
