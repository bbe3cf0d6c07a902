#include "core/ProgressLine.h"

#include "core/Clock.h"
#include "core/StatusLine.h"

void showWriteFailure(ProgressLine& progress, StatusLine& status, Clock& clock) {
  progress.show(QStringLiteral("Ошибка!!!"));
  clock.sleep(kWriteFailurePauseMs);
  progress.hide();
  status.setPollTimerActive(true);
}
