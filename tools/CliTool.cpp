#include "tools/CliTool.h"

#include <memory>

#include "app/SettingsStore.h"
#include "link/Clock.h"
#include "link/ModbusRtuClient.h"
#include "link/Prompter.h"
#include "link/QtSerialLine.h"
#include "link/SerialPortLink.h"
#include "link/StatusLine.h"

namespace {

// Message boxes of the link go to standard error.
class StreamPrompter : public Prompter {
 public:
  explicit StreamPrompter(QTextStream& err) : err_(err) {}
  void showMessage(const QString& caption, const QString& text, Icon) override {
    err_ << caption << ": " << text << Qt::endl;
  }
  bool confirm(const QString& caption, const QString& text) override {
    showMessage(caption, text, Icon::Information);
    return false;
  }

 private:
  QTextStream& err_;
};

bool parseNumber(const QString& text, int min, int max, int* value) {
  return SettingsStore::parseInteger(text, value) && *value >= min && *value <= max;
}

}  // namespace

CliTool::CliTool(QTextStream& out, QTextStream& err, SerialLine* line, Clock* clock)
    : out_(out), err_(err), line_(line), clock_(clock) {}

QString CliTool::usage() {
  return QStringLiteral(
      "usage: tarvix-cli [--port NAME] [--adr N] identify\n"
      "       tarvix-cli [--port NAME] [--adr N] read START COUNT [--repeat N]\n"
      "       tarvix-cli [--port NAME] [--adr N] write REG VALUE\n"
      "       tarvix-cli [--port NAME] [--adr N] write-multi START V1 V2 ...\n"
      "Link and timing settings come from mem.ini in the working directory.");
}

int CliTool::run(const QStringList& argsIn) {
  SettingsStore mem(QStringLiteral("mem.ini"));  // read only: never flushed from here
  QStringList args = argsIn;
  auto fail = [&](const QString& text) {
    err_ << text << Qt::endl;
    return int(Failure);
  };
  auto bad = [&](const QString& why) {
    err_ << why << '\n' << usage() << Qt::endl;
    return int(Usage);
  };

  // Global options, before the command.
  while (!args.isEmpty() && args.first().startsWith(QLatin1String("--"))) {
    const QString option = args.takeFirst();
    if (args.isEmpty()) return bad(option + QStringLiteral(" needs a value"));
    const QString value = args.takeFirst();
    int adr = 0;
    if (option == QLatin1String("--port")) {
      mem.writeString(QStringLiteral("connect"), QStringLiteral("port"), value);
    } else if (option == QLatin1String("--adr") && parseNumber(value, 0, 255, &adr)) {
      mem.writeInteger(QStringLiteral("connect"), QStringLiteral("adr"), adr);
    } else {
      return bad(QStringLiteral("bad option: ") + option + ' ' + value);
    }
  }
  if (args.isEmpty()) return bad(QStringLiteral("no command"));
  const QString command = args.takeFirst();

  // Parse everything before touching the port.
  std::vector<uint16_t> numbers;
  int repeat = 1;
  for (int i = 0; i < args.size(); ++i) {
    int v = 0;
    if (command == QLatin1String("read") && args[i] == QLatin1String("--repeat")) {
      if (i + 1 >= args.size() || !parseNumber(args[i + 1], 1, 1000000, &repeat))
        return bad(QStringLiteral("--repeat needs a count"));
      ++i;
      continue;
    }
    if (!parseNumber(args[i], 0, 65535, &v)) return bad(QStringLiteral("bad number: ") + args[i]);
    numbers.push_back(uint16_t(v));
  }
  const size_t n = numbers.size();
  if ((command == QLatin1String("identify") && n != 0) ||
      (command == QLatin1String("read") && (n != 2 || numbers[1] < 1 || numbers[1] > 125)) ||
      (command == QLatin1String("write") && n != 2) ||
      (command == QLatin1String("write-multi") && (n < 2 || n > 124)))
    return bad(QStringLiteral("wrong arguments for ") + command);
  if (command != QLatin1String("identify") && command != QLatin1String("read") &&
      command != QLatin1String("write") && command != QLatin1String("write-multi"))
    return bad(QStringLiteral("unknown command: ") + command);

  Clock& clock = clock_ ? *clock_ : SteadyClock::instance();
  std::unique_ptr<SerialLine> ownLine;
  SerialLine* line = line_;
  if (!line) {
    ownLine = std::make_unique<QtSerialLine>(clock);
    line = ownLine.get();
  }
  StatusLine status;
  StreamPrompter prompter(err_);
  SerialPortLink port(*line, mem, status, prompter);
  ModbusRtuClient client(port, mem, clock);

  const QString path = SerialPortLink::configuredDevicePath(mem);
  port.openPort(path);
  if (!port.isOpen()) return fail(status.text(StatusLine::Link));

  int exit = Ok;
  if (command == QLatin1String("identify")) {
    ReadExchange x;
    if (!client.readModuleRegisters(x, 768, 1)) {
      exit = fail(x.error);
    } else {
      const uint16_t version = x.registers[0];
      const uint16_t revision = client.readModuleRegisters(x, 769, 1) ? x.registers[0] : 0;
      out_ << version;
      if (revision != 0) out_ << '.' << revision;
      out_ << Qt::endl;
    }
  } else if (command == QLatin1String("read")) {
    ReadExchange x;
    for (int i = 0; i < repeat && exit == Ok; ++i) {
      if (!client.readModuleRegisters(x, numbers[0], numbers[1])) {
        exit = fail(x.error);
        break;
      }
      QStringList values;
      for (int r = 0; r < x.decodedCount; ++r) values << QString::number(x.registers[r]);
      out_ << values.join(' ') << Qt::endl;
    }
  } else {
    WriteExchange x;
    x.slaveAddress = client.moduleAddress();
    x.firstRegister = numbers[0];
    x.registerCount = uint16_t(n - 1);
    std::copy(numbers.begin() + 1, numbers.end(), x.values.begin());
    const bool ok =
        command == QLatin1String("write") ? client.writeRegister(x) : client.writeRegisters(x);
    if (!ok) exit = fail(x.error);
  }
  port.closePort();
  return exit;
}
