// vyx: the console host. Argument parsing and wiring only; the shell and the runs live beside
// it in vyx_console, and the document bag in qt/documents, so that the tests (and for the
// documents, the desktop host) use the same code.
#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bridge_run.h"
#include "console_args.h"
#include "console_escape.h"
#include "console_input.h"
#include "console_output.h"
#include "console_ports.h"
#include "console_readings.h"
#include "console_runs.h"
#include "console_scan.h"
#include "console_session.h"
#include "console_shell.h"
#include "console_signals.h"
#include "control/identity.h"
#include "control/vyx.h"
#include "platform/port_map.h"
#include "vyx/sim/demo_board.h"

namespace {

using namespace vyx::console;
using namespace vyx::documents;

bool WriteLine(std::FILE* f, std::string_view line) {
  std::fwrite(line.data(), 1, line.size(), f);
  std::fputc('\n', f);
  return std::fflush(f) == 0 && !std::ferror(f);
}

// A closed standard descriptor would be handed to the next file opened, the serial line
// say, and the shell would then talk to the board. Park /dev/null there instead.
void GuardStandardDescriptors() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
      const int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
      if (opened >= 0 && opened != fd) ::close(opened);
    }
  }
}

// Messages name what the user gave (devices, paths, arguments): escaped, so that none can
// break the line or drive the terminal.
bool WriteError(std::string_view message) {
  return WriteLine(stderr, "vyx: " + EscapeControls(message));
}

int Fail(std::string_view message, int status = kExitFailure) {
  WriteError(message);
  return status;
}

// A reader that went away (`| head`) ends the program quietly, as it ends other tools; any other
// failed write says why.
int Ended(Output& out, int status) {
  out.Close();
  if (!out.Failed()) return status;
  return out.ReaderGone() ? kExitOk : Fail(out.Message());
}

// Ends the program on SIGINT, SIGTERM and their kin; returning from main closes the port.
void ExitOnSignal(const TerminationSignals& stop) {
  QObject::connect(&stop, &TerminationSignals::received, QCoreApplication::instance(), [](int) {
    WriteError("interrupted");
    QCoreApplication::exit(kExitFailure);
  });
}

}  // namespace

int main(int argc, char** argv) {
  GuardStandardDescriptors();
  const std::vector<std::string> args(argv + 1, argv + argc);
  const auto parsed = ParseArguments(args);
  if (const auto* e = std::get_if<CliError>(&parsed)) {
    WriteError(e->message);
    WriteLine(stderr, "Try 'vyx --help'.");
    return kExitUsage;
  }
  CliOptions o = std::get<CliOptions>(parsed);
  if (o.command == CliCommand::Help) {
    std::fputs(UsageText().c_str(), stdout);
    return kExitOk;
  }
  if (o.command == CliCommand::Version) {
    WriteLine(stdout, "vyx " + std::string(vyx::identity::kVersion));
    return kExitOk;
  }

  // A reader that goes away ends the writes, not the process.
  std::signal(SIGPIPE, SIG_IGN);
  // Qt's own event dispatcher: woken by a whole reply, it reaches the reply some 10 us sooner
  // than the GLib one, and a console host needs nothing of GLib. One set by the user stands.
  if (!qEnvironmentVariableIsSet("QT_NO_GLIB")) qputenv("QT_NO_GLIB", "1");
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName("vyx");
  QCoreApplication::setApplicationVersion(QString::fromUtf8(vyx::identity::kVersion.data()));

  std::unique_ptr<vyx::sim::Simulator> board;
  if (o.simulate) {
    std::string device;
    std::string error;
    board = vyx::sim::StartDemoBoard(device, error);
    if (!board) return Fail("cannot start the simulated board: " + error);
  }

  Session session;
  // A bad variable is a wrong command line like a bad --port, never a port left to chance.
  if (const auto& env = session.EnvironmentStatus(); !env) return Fail(env.message(), kExitUsage);
  if (board) {
    if (const auto s = session.Ports().Set(1, board->DevicePath()); !s) return Fail(s.message());
  }
  for (const PortOption& p : o.ports) {
    if (const auto s = session.Ports().Set(p.comm, p.device); !s)
      return Fail("--port " + std::to_string(p.comm) + "=" + p.device + ": " + s.message(),
                  kExitUsage);
  }
  const auto unmapped = [](int comm) {
    const std::string n = std::to_string(comm);
    return Fail("Comm" + n + " is not mapped to a device: map it with --port " + n +
                    "=DEVICE or VYX_COMM" + n,
                kExitUsage);
  };
  // read and monitor open their position at once: one nobody mapped is refused before any
  // device or file is touched.
  if ((o.command == CliCommand::Read || o.command == CliCommand::Monitor) &&
      !session.Ports().IsMapped(o.comm)) {
    return unmapped(o.comm);
  }

  // scan and bridge serve the positions given, or every mapped one.
  if (o.command == CliCommand::Scan || o.command == CliCommand::Bridge) {
    if (o.comms.empty()) {
      for (int n = 1; n <= vyx::qt::PortMap::kPorts; ++n) {
        if (session.Ports().IsMapped(n)) o.comms.push_back(n);
      }
      if (o.comms.empty()) {
        return Fail("no port is mapped: map one with --port N=DEVICE or VYX_COMMn", kExitUsage);
      }
    }
    for (const int n : o.comms) {
      if (!session.Ports().IsMapped(n)) return unmapped(n);
    }
  }

  Output standardOutput({}, false);
  const LineWriter out = [&standardOutput](std::string_view l) {
    return standardOutput.WriteLine(l);
  };
  const LineWriter err = [](std::string_view l) { return WriteLine(stderr, EscapeControls(l)); };

  switch (o.command) {
    case CliCommand::Ports:
      for (const std::string& line : PortsReport(FindSerialDevices(), session.Ports(), o.filter)) {
        if (!out(line)) break;
      }
      return Ended(standardOutput, kExitOk);

    case CliCommand::Shell: {
      session.SetRecording(true);
      TerminationSignals stopSignals;
      ExitOnSignal(stopSignals);
      Shell shell(session, out);
      LineReader input(0);
      QObject::connect(&input, &LineReader::lineReceived, &shell,
                       [&shell](const QByteArray& l) { shell.Feed(l.toStdString()); });
      QObject::connect(&input, &LineReader::lineTooLong, &shell, &Shell::FeedOverlong);
      QObject::connect(&input, &LineReader::finished, &shell, &Shell::EndOfInput);
      QObject::connect(&shell, &Shell::busyChanged, &input, &LineReader::SetPaused);
      QObject::connect(&shell, &Shell::finished, &app, &QCoreApplication::exit);
      return Ended(standardOutput, QCoreApplication::exec());
    }

    case CliCommand::Read: {
      TerminationSignals stopSignals;
      ExitOnSignal(stopSignals);
      ReadRun run(session, o, out, err);
      QObject::connect(&run, &ReadRun::finished, &app, &QCoreApplication::exit);
      run.Start();
      return Ended(standardOutput, QCoreApplication::exec());
    }

    case CliCommand::Monitor: {
      Output file(o.output, o.append,
                  o.format == OutputFormat::Csv ? CsvHeader(o.addresses.size() > 1) : "");
      const LineWriter log = [&file](std::string_view l) { return file.WriteLine(l); };
      TerminationSignals stopSignals;
      MonitorRun run(session, o, log, err);
      QObject::connect(&stopSignals, &TerminationSignals::received, &run, &MonitorRun::Stop);
      QObject::connect(&run, &MonitorRun::finished, &app, &QCoreApplication::exit);
      run.Start();
      return Ended(file, QCoreApplication::exec());
    }

    case CliCommand::Scan: {
      TerminationSignals stopSignals;
      ExitOnSignal(stopSignals);
      ScanRun run(session.Ports(), o, out, err);
      QObject::connect(&run, &ScanRun::finished, &app, &QCoreApplication::exit);
      run.Start();
      return Ended(standardOutput, QCoreApplication::exec());
    }

    case CliCommand::Bridge: {
      TerminationSignals stopSignals;
      BridgeRun run(session.Ports(), o, err);
      QObject::connect(&stopSignals, &TerminationSignals::received, &run, &BridgeRun::Stop);
      QObject::connect(&run, &BridgeRun::finished, &app, &QCoreApplication::exit);
      run.Start();
      return QCoreApplication::exec();
    }

    case CliCommand::Help:
    case CliCommand::Version:
      break;
  }
  return kExitOk;
}
