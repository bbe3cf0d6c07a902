#include "bench/TestProtocol.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QSet>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextTable>
#include <algorithm>
#include <limits>

#include "bench/TestSettings.h"

namespace {

constexpr double kFontPoints = 9;
constexpr int kResolution = 300;
const char* const kFailureRow = "#fbe3e3";
const char* const kFailureText = "#b00000";

QString esc(const QString& text) {
  return text.toHtmlEscaped().replace('\n', QStringLiteral("<br>"));
}

QString stamp(const QDateTime& t) { return t.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")); }

QString outcomeColour(TestRecord::Outcome outcome) {
  switch (outcome) {
    case TestRecord::Outcome::Passed:
      return QStringLiteral("#1b7a33");
    case TestRecord::Outcome::Failed:
      return QLatin1String(kFailureText);
    case TestRecord::Outcome::Aborted:
      return QStringLiteral("#555555");
    case TestRecord::Outcome::BenchFault:
      return QStringLiteral("#b35900");
  }
  return QString();
}

bool failedVerdict(const QString& verdict) {
  return verdict.startsWith(TestRecord::verdictText(true));
}

// The settings of the run as the report lists them: "section/key" to its value.
QHash<QString, QString> settingsOf(const TestRecord::Data& run) {
  QHash<QString, QString> values;
  for (const QString& s : run.settings) values.insert(s.section('=', 0, 0), s.section('=', 1));
  return values;
}

QString unitBlock(const TestRecord::Data& run) {
  const TestRecord::Unit& u = run.unit;
  const QString firmware =
      u.firmwareRevision
          ? QStringLiteral("%1, ревизия %2").arg(u.firmwareVersion).arg(u.firmwareRevision)
          : QString::number(u.firmwareVersion);
  const auto pair = [](const QString& name, const QString& value) {
    return QStringLiteral("<td class='name'>%1</td><td class='value'>%2</td>")
        .arg(name, value.isEmpty() ? QStringLiteral("—") : esc(value));
  };
  QString out = QStringLiteral("<table class='unit' width='100%' cellspacing='0' cellpadding='3'>");
  out += "<tr>" + pair(QStringLiteral("Заводской номер"), u.serial) +
         pair(QStringLiteral("Оператор"), run.operatorName) + "</tr>";
  out += "<tr>" + pair(QStringLiteral("Версия ПО модуля"), firmware) +
         pair(QStringLiteral("Начало испытания"), stamp(run.started)) + "</tr>";
  out += "<tr>" + pair(QStringLiteral("Логика"), QString::number(u.logicNumber)) +
         pair(QStringLiteral("Окончание испытания"), stamp(run.ended)) + "</tr>";
  QString motor;
  if (!run.motorTypeFound.isEmpty())
    motor = QStringLiteral("%1 → %2").arg(run.motorTypeFound, run.motorTypeLeft);
  out += "<tr>" + pair(QStringLiteral("Адрес модуля"), QString::number(u.address)) +
         pair(QStringLiteral("Напряжение мотора (до → после)"), motor) + "</tr>";
  return out + "</table>";
}

QString outcomeBanner(const TestRecord::Data& run) {
  return QStringLiteral("<p class='banner' align='center' style='color:%1'>%2</p>")
      .arg(outcomeColour(run.outcome), TestRecord::outcomeText(run.outcome));
}

QString settingsBlock(const TestRecord::Data& run) {
  const QHash<QString, QString> values = settingsOf(run);
  QString columns[3];
  for (int e = 0; e < TestSettings::EditCount; ++e) {
    const TestSettings::Field& f = TestSettings::field(TestSettings::Edit(e));
    const QString section = QLatin1String(f.section);
    const int column = section == QLatin1String("di") ? 0 : section == QLatin1String("do") ? 1 : 2;
    columns[column] += QStringLiteral("%1: <b>%2</b><br>")
                           .arg(esc(QString::fromUtf8(f.label)),
                                esc(values.value(section + '/' + QLatin1String(f.key))));
  }
  for (int r = 1; values.contains(QStringLiteral("do/name%1").arg(r)); ++r)
    columns[1] += QStringLiteral("%1: код <b>%2</b><br>")
                      .arg(esc(values.value(QStringLiteral("do/name%1").arg(r))),
                           esc(values.value(QStringLiteral("do/code%1").arg(r))));

  QString out = QStringLiteral("<h3>Условия испытания</h3>");
  out += QStringLiteral("<p>Шаги: %1.</p>")
             .arg(run.steps.isEmpty() ? QStringLiteral("ни одного")
                                      : esc(run.steps.join(QStringLiteral("; "))));
  out += QStringLiteral(
      "<table class='grid' width='100%' cellspacing='0' cellpadding='3'><thead><tr>"
      "<th width='30%'>Дискретные входы</th><th width='35%'>Дискретные выходы</th>"
      "<th width='35%'>Мотор, перегрузка, КЗ</th></tr></thead><tr>");
  for (const QString& c : columns) out += QStringLiteral("<td valign='top'>%1</td>").arg(c);
  out += QStringLiteral("</tr></table>");

  // Current windows: "current_wnd_0/24В вперед мин" and so on, fine (0) and coarse (1).
  QStringList kinds;
  QHash<QString, QString> limits;
  for (const QString& s : run.settings) {
    const QString name = s.section('=', 0, 0);
    if (!name.startsWith(QStringLiteral("current_wnd_"))) continue;
    const QString profile = name.section('/', 0, 0).mid(12);
    QString key = name.section('/', 1);
    const bool max = key.endsWith(QStringLiteral("макс"));
    key = key.chopped(max ? 4 : key.endsWith(QStringLiteral("мин")) ? 3 : 0).trimmed();
    if (!kinds.contains(key)) kinds << key;
    limits.insert(profile + '/' + key + (max ? QStringLiteral("/max") : QStringLiteral("/min")),
                  s.section('=', 1));
  }
  if (!kinds.isEmpty()) {
    out += QStringLiteral(
        "<p>Токовые окна, мА:</p><table class='grid' width='70%' cellspacing='0' "
        "cellpadding='3'><thead><tr><th>Прогон</th><th>Точное окно</th><th>Грубое окно</th>"
        "</tr></thead>");
    for (const QString& kind : kinds) {
      out += QStringLiteral("<tr><td>%1</td>").arg(esc(kind));
      for (const char* profile : {"0", "1"}) {
        const QString p = QLatin1String(profile) + '/' + kind;
        out += QStringLiteral("<td align='center'>%1 … %2</td>")
                   .arg(esc(limits.value(p + QStringLiteral("/min"), QStringLiteral("—"))),
                        esc(limits.value(p + QStringLiteral("/max"), QStringLiteral("—"))));
      }
      out += QStringLiteral("</tr>");
    }
    out += QStringLiteral("</table>");
  }
  return out;
}

// One result row of the grid with the measurements that belong to it.
struct StepRow {
  const ResultGrid::Row* row = nullptr;  // none: measurements of no row
  QVector<const TestRecord::Measurement*> measurements;
};

QVector<StepRow> stepRows(const TestRecord::Data& run) {
  QVector<StepRow> rows;
  for (int r = 1; r < run.rows.size(); ++r)
    if (!run.rows[r].empty()) rows.append(StepRow{&run.rows[r], {}});
  // Measurements come in the order of the rows: each goes to the first row of its step from
  // the one the last went to on.
  StepRow unmatched;
  int from = 0;
  for (const TestRecord::Measurement& m : run.measurements) {
    int at = -1;
    for (int pass = 0; pass < 2 && at < 0; ++pass)
      for (int i = pass ? 0 : from; i < rows.size() && at < 0; ++i)
        if (rows[i].row->step == m.step) at = i;
    if (at < 0) {
      unmatched.measurements << &m;
      continue;
    }
    rows[at].measurements << &m;
    from = at;
  }
  if (!unmatched.measurements.isEmpty()) rows << unmatched;
  return rows;
}

// The head of the results table; `newPage` starts it at the top of a page.
QString resultsHead(bool newPage) {
  return QStringLiteral(
             "<table class='grid' width='100%' cellspacing='0' cellpadding='3'%1>"
             "<thead><tr><th width='4%'>№</th><th width='24%'>Шаг</th><th "
             "width='19%'>Показание</th><th width='25%'>Измерено</th><th width='18%'>Пределы</th>"
             "<th width='10%'>Вердикт</th></tr></thead>")
      .arg(newPage ? QStringLiteral(" style='page-break-before: always'") : QString());
}

// `pageBreaks`: the rows (counted from 0 under the head) that start a page, the table going
// on there under its head again.
QString resultsTable(const TestRecord::Data& run, const QSet<int>& pageBreaks) {
  QString out = QStringLiteral("<h3>Результаты</h3>") + resultsHead(false);
  int number = 0, rowIndex = -1;
  for (const StepRow& s : stepRows(run)) {
    const ResultGrid::Row* row = s.row;
    if (pageBreaks.contains(++rowIndex)) out += QStringLiteral("</table>") + resultsHead(true);
    if (row && row->state.isEmpty() && row->verdict.isEmpty() && s.measurements.isEmpty()) {
      // A heading row of the grid ("Дискретные входы: прогон 1").
      out += QStringLiteral("<tr class='heading'><td colspan='6'><b>%1</b></td></tr>")
                 .arg(esc(row->step));
      continue;
    }
    QStringList measured, limits, verdicts;
    bool failed = row && row->failed();
    for (const TestRecord::Measurement* m : s.measurements) {
      measured << esc(m->quantity + QStringLiteral(": ") + m->value);
      limits << esc(m->limits);
      verdicts << m->verdict;
      failed = failed || failedVerdict(m->verdict);
    }
    QString verdict;
    if (row && !row->verdict.isEmpty())
      verdict = TestRecord::verdictText(row->failed());
    else if (!verdicts.isEmpty())
      verdict = failed ? TestRecord::verdictText(true) : verdicts.first();
    const QString background =
        failed ? QStringLiteral(" bgcolor='%1'").arg(QLatin1String(kFailureRow)) : QString();
    const QString verdictCell = failed ? QStringLiteral("<span style='color:%1'><b>%2</b></span>")
                                             .arg(QLatin1String(kFailureText), esc(verdict))
                                       : esc(verdict);
    out += QStringLiteral(
               "<tr%1><td align='right'>%2</td><td>%3</td><td>%4</td><td>%5</td><td>%6</td>"
               "<td align='center'>%7</td></tr>")
               .arg(background, QString::number(++number),
                    row ? esc(row->step) : QStringLiteral("(вне шагов)"),
                    row ? esc(row->state) : QString(), measured.join(QStringLiteral("<br>")),
                    limits.join(QStringLiteral("<br>")), verdictCell);
  }
  return out + QStringLiteral("</table>");
}

QString conclusion(const TestRecord::Data& run) {
  QString out = QStringLiteral("<h3>Заключение</h3>");
  if (run.attempts > 1)
    out += QStringLiteral("<p>Запусков испытания: %1 (стенд не был готов к началу).</p>")
               .arg(run.attempts);
  out += QStringLiteral("<p>%1</p>").arg(esc(run.message));
  out += QStringLiteral("<p class='result' style='color:%1'>Результат: %2</p>")
             .arg(outcomeColour(run.outcome), TestRecord::outcomeText(run.outcome));
  out += QStringLiteral(
             "<table class='signs' width='100%' cellspacing='0' cellpadding='6'>"
             "<tr><td width='32%'>Испытания провёл</td><td width='38%'>________________________"
             "</td><td>/ %1 /</td></tr>"
             "<tr><td>Проверил (ОТК)</td><td>________________________</td>"
             "<td>/ ____________________ /</td></tr>"
             "<tr><td>Дата</td><td>%2</td><td></td></tr></table>")
             .arg(run.operatorName.isEmpty() ? QStringLiteral("____________________")
                                             : esc(run.operatorName),
                  run.ended.toString(QStringLiteral("dd.MM.yyyy")));
  return out;
}

QFont protocolFont() {
  QFont font;
  // Metric twins with Cyrillic: Liberation Sans on Linux (fonts-liberation2), Arial on Windows.
  font.setFamilies(
      {QStringLiteral("Liberation Sans"), QStringLiteral("Arial"), QStringLiteral("DejaVu Sans")});
  font.setPointSizeF(kFontPoints);
  return font;
}

// The footer of page `page` (from 1) of `pages`: the unit, and the page's number when there is
// more than one.
void drawFooter(QPainter& painter, const QRectF& area, const TestRecord::Data& run, int page,
                int pages) {
  QFont font = protocolFont();
  font.setPointSizeF(kFontPoints - 1);
  painter.setFont(font);
  painter.setPen(QColor(0x55, 0x55, 0x55));
  painter.drawLine(area.topLeft(), area.topRight());
  const QString left = QStringLiteral("Протокол испытаний · заводской номер %1 · %2")
                           .arg(run.unit.serial.isEmpty() ? QStringLiteral("—") : run.unit.serial,
                                stamp(run.started));
  painter.drawText(area, Qt::AlignLeft | Qt::AlignBottom, left);
  if (pages > 1)
    painter.drawText(area, Qt::AlignRight | Qt::AlignBottom,
                     QStringLiteral("Лист %1 из %2").arg(page).arg(pages));
}

// The first row of the results that the layout splits between two pages of `pageHeight`
// (its heading row instead, when it follows one), counted as resultsTable counts; -1 when no
// row is split. A table's first row is never moved: it would only move on with its table.
int firstSplitRow(const QTextDocument& doc, qreal pageHeight) {
  QAbstractTextDocumentLayout* layout = doc.documentLayout();
  const auto page = [&](qreal y) { return int(y / pageHeight); };
  int rowIndex = -1;
  for (QTextFrame* frame : doc.rootFrame()->childFrames()) {
    auto* table = qobject_cast<QTextTable*>(frame);
    if (!table || table->cellAt(0, 0).firstCursorPosition().block().text() != QStringLiteral("№"))
      continue;
    for (int r = 1; r < table->rows(); ++r) {
      ++rowIndex;
      qreal top = std::numeric_limits<qreal>::max(), bottom = 0;
      for (int c = 0; c < table->columns(); ++c) {
        const QTextTableCell cell = table->cellAt(r, c);
        top = std::min(top, layout->blockBoundingRect(cell.firstCursorPosition().block()).top());
        bottom =
            std::max(bottom, layout->blockBoundingRect(cell.lastCursorPosition().block()).bottom());
      }
      if (r == 1 || page(top) == page(bottom - 1)) continue;
      const bool afterHeading = r > 2 && table->cellAt(r - 1, 0).columnSpan() > 1;
      return afterHeading ? rowIndex - 1 : rowIndex;
    }
  }
  return -1;
}

QString documentHtml(const TestRecord::Data& run, const QSet<int>& pageBreaks) {
  QString out = QStringLiteral(
      "<html><head><style>"
      "h1 { font-size: 16pt; margin-bottom: 0; }"
      "h3 { font-size: 10.5pt; margin-top: 10px; margin-bottom: 4px; }"
      "p { margin-top: 2px; margin-bottom: 2px; }"
      ".subtitle { font-size: 10pt; color: #333333; }"
      ".banner { font-size: 22pt; font-weight: bold; margin-top: 8px; margin-bottom: 6px; }"
      ".result { font-size: 16pt; font-weight: bold; margin-top: 6px; margin-bottom: 10px; }"
      "table.unit { border-width: 0; }"
      "td.name { color: #444444; }"
      "td.value { font-weight: bold; }"
      "table.grid { border-width: 1px; border-style: solid; border-color: #888888; "
      "border-collapse: collapse; }"
      "table.grid th { background-color: #e6e6e6; font-weight: bold; border: 1px solid #888888; }"
      "table.grid td { border: 1px solid #888888; }"
      "tr.heading td { background-color: #f2f2f2; }"
      "</style></head><body>");
  out += QStringLiteral("<h1 align='center'>ПРОТОКОЛ ИСПЫТАНИЙ</h1>");
  out += QStringLiteral(
             "<p class='subtitle' align='center'>модуля управления приводом, заводской номер "
             "<b>%1</b></p>")
             .arg(run.unit.serial.isEmpty() ? QStringLiteral("не указан") : esc(run.unit.serial));
  out += unitBlock(run);
  out += outcomeBanner(run);
  out += settingsBlock(run);
  out += resultsTable(run, pageBreaks);
  out += conclusion(run);
  return out + QStringLiteral("</body></html>");
}

}  // namespace

namespace TestProtocol {

QString html(const TestRecord::Data& run) { return documentHtml(run, {}); }

TestReport::SavedFile write(const TestRecord::Data& run, const QString& path) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QSaveFile file(path);
  const auto failed = [&](const QString& why) {
    file.cancelWriting();
    return TestReport::SavedFile{path, QStringLiteral("Протокол PDF не сохранён: %1 (%2)")
                                           .arg(QDir::toNativeSeparators(path), why)};
  };
  // The PDF is made in memory and written in one piece: a write that stops short (a full disk)
  // is seen by its count, which the PDF writer's own writes do not check.
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  {
    QPdfWriter writer(&buffer);
    writer.setResolution(kResolution);
    writer.setTitle(QStringLiteral("Протокол испытаний, заводской номер ") + run.unit.serial);
    writer.setCreator(QStringLiteral("Tarvix"));
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(20, 12, 12, 12), QPageLayout::Millimeter));
    QPainter painter;
    if (!painter.begin(&writer)) return failed(QStringLiteral("PDF не создаётся"));

    QTextDocument doc;
    doc.documentLayout()->setPaintDevice(&writer);
    doc.setDefaultFont(protocolFont());
    doc.setDocumentMargin(0);
    const QRectF page = writer.pageLayout().paintRectPixels(writer.resolution());
    const double footer = 8.0 / 25.4 * writer.resolution();  // 8 mm under the text
    const QSizeF body(page.width(), page.height() - footer);
    doc.setPageSize(body);
    // A row of the results is never split between pages: the table goes on on the next page
    // from that row, under its head.
    QSet<int> pageBreaks;
    for (int at = -1;;) {
      doc.setHtml(documentHtml(run, pageBreaks));
      at = firstSplitRow(doc, body.height());
      if (at < 0 || pageBreaks.contains(at)) break;
      pageBreaks.insert(at);
    }
    const int pages = doc.pageCount();
    for (int p = 0; p < pages; ++p) {
      if (p > 0) writer.newPage();
      painter.save();
      painter.translate(0, -p * body.height());
      // What the layout draws past the page's text (a row's borders) stays off the footer.
      painter.setClipRect(QRectF(0, p * body.height(), body.width(), body.height()));
      QAbstractTextDocumentLayout::PaintContext context;
      context.clip = QRectF(0, p * body.height(), body.width(), body.height());
      doc.documentLayout()->draw(&painter, context);
      painter.restore();
      drawFooter(painter, QRectF(0, body.height(), body.width(), footer), run, p + 1, pages);
    }
    painter.end();
  }
  if (!file.open(QIODevice::WriteOnly)) return failed(file.errorString());
  if (file.write(bytes) != bytes.size()) {
    const QString why = file.errorString();
    return failed(why.isEmpty() || file.error() == QFileDevice::NoError
                      ? QStringLiteral("диск заполнен")
                      : why);
  }
  if (!file.commit()) return failed(file.errorString());
  return {path, QString()};
}

}  // namespace TestProtocol
