#pragma once

#include <QStringList>
#include <QTextStream>

// tarvix-cli reports [--since YYYY-MM-DD] [--until YYYY-MM-DD] [--serial N]: the history of the
// runs in `folder` (reports/ of the working directory), oldest first, one line per record:
// "date;time;serial;operator;outcome;file" (the outcome as the report writes it; a field
// holding ";" quoted as in the report), then "итого N: пройдено A, не пройдено B, прервано C,
// неисправность стенда D". A damaged record is a line with the outcome "ПОВРЕЖДЁН" (it counts
// in N alone) and why on standard error. Exit 0; 2 with `why` set on bad usage.
int runCliReports(QTextStream& out, QTextStream& err, const QString& folder,
                  const QStringList& args, QString* why);
