#include "params/FirmwareLayout.h"

#include <QStringList>
#include <algorithm>

namespace {

struct Row {
  const char* timers;
  uint16_t timersStart, timersCount;
  const char* motor;
  uint16_t motorStart, motorCount;
  const char* serviceInputs;
  uint16_t serviceInputsCount;
  const char* debug;
  const char* inputs;
  const char* amps;
  uint16_t ampsStart, ampsCount;  // 0, 0: the amps block is left as it was
};

// clang-format off
const Row kV0   = {"main_timers_v0",   96, 12, "main_actu",      112, 6, "debug_inps_v0",   6, "debug_names",      "main_inps_v0",   "main_amps_v0",   64, 4};
const Row kV100 = {"main_timers_v100", 96, 10, "main_actu",      112, 6, "debug_inps_v100", 8, "debug_names",      "main_inps_v0",   "main_amps_v0",   64, 4};
const Row kV101 = {"main_timers_v101", 96, 11, "main_actu",      112, 6, "debug_inps_v100", 8, "debug_names",      "main_inps_v0",   "main_amps_v0",   64, 4};
const Row kV102 = {"main_timers_v102", 97, 10, "main_actu_v102", 113, 5, "debug_inps_v100", 8, "debug_names_v102", "main_inps_v0",   "main_amps_v0",   64, 4};
const Row kV103 = {"main_timers_v101", 96, 11, "main_actu",      112, 6, "debug_inps_v100", 8, "debug_names",      "main_inps_v0",   "main_amps_v0",    0, 0};
const Row kV104 = {"main_timers_v104", 94, 13, "main_actu",      112, 6, "debug_inps_v100", 8, "debug_names",      "main_inps_v0",   "main_amps_v0",   64, 4};
const Row kV200 = {"main_timers_v102", 97, 10, "main_actu_v102", 113, 5, "debug_inps_v100", 8, "debug_names_v102", "main_inps_v200", "main_amps_v0",   64, 4};
const Row kV201 = {"main_timers_v201", 97, 13, "main_actu_v102", 113, 5, "debug_inps_v100", 8, "debug_names_v102", "main_inps_v200", "main_amps_v0",   64, 4};
const Row kV209 = {"main_timers_v201", 97, 13, "main_actu_v102", 113, 5, "debug_inps_v209", 8, "debug_names_v102", "main_inps_v200", "main_amps_v209", 66, 2};
const Row kOther= {"main_timers_v201", 97, 13, "main_actu_v102", 113, 5, "debug_inps_v100", 8, "debug_names_v102", "main_inps_v200", "main_amps_v0",    0, 0};
// clang-format on

const Row& rowFor(int v) {
  switch (v) {
    case 0:
      return kV0;
    case 100:
      return kV100;
    case 101:
      return kV101;
    case 102:
      return kV102;
    case 103:
      return kV103;
    case 104:
      return kV104;
    case 200:
      return kV200;
    case 201:
    case 202:
    case 203:
    case 204:
    case 205:
      return kV201;
    case 209:
      return kV209;
    default:
      return kOther;
  }
}

}  // namespace

QString FirmwareLayout::supportedVersionsText(int maxVersion) {
  struct Span {
    int first, last;
  };
  QStringList known;
  for (const Span s : {Span{0, 0}, Span{100, 104}, Span{200, 205}, Span{209, 209}}) {
    const int last = std::min(s.last, maxVersion);
    if (last < s.first) continue;
    known << (last == s.first ? QString::number(last)
                              : QStringLiteral("%1–%2").arg(s.first).arg(last));
  }
  return known.join(QStringLiteral(", ")) +
         QStringLiteral("; прочие версии до %1 — с раскладкой версии 201").arg(maxVersion);
}

FirmwareLayout FirmwareLayout::forVersion(int version, const FirmwareLayout& previous) {
  const Row& r = rowFor(version);
  FirmwareLayout l;
  l.timersSection = QLatin1String(r.timers);
  l.timersStart = r.timersStart;
  l.timersCount = r.timersCount;
  l.motorSection = QLatin1String(r.motor);
  l.motorStart = r.motorStart;
  l.motorCount = r.motorCount;
  l.serviceInputsSection = QLatin1String(r.serviceInputs);
  l.serviceInputsCount = r.serviceInputsCount;
  l.debugSection = QLatin1String(r.debug);
  l.inputsSection = QLatin1String(r.inputs);
  l.ampsSection = QLatin1String(r.amps);
  if (r.ampsCount > 0) {
    l.ampsStart = r.ampsStart;
    l.ampsCount = r.ampsCount;
  } else {
    l.ampsStart = previous.ampsStart;
    l.ampsCount = previous.ampsCount;
  }
  return l;
}
