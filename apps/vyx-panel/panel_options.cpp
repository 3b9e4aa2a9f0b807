#include "panel_options.h"

#include <QCommandLineParser>

#include "about.h"
#include "platform/port_option.h"

namespace vyx::panel {

namespace {

constexpr double kMaxSeconds = 3600;

// Qt's own options, which the application takes out of the command line when it starts. The
// line is read before that, so they are known here too, and left to Qt.
void AddQtOptions(QCommandLineParser& p) {
  for (const char* name : {"platform", "platformpluginpath", "platformtheme", "plugin",
                           "qwindowgeometry", "qwindowicon", "qwindowtitle", "session", "display",
                           "geometry", "title", "icon", "style", "stylesheet", "qmljsdebugger"}) {
    QCommandLineOption o(QString::fromLatin1(name), QString(), QStringLiteral("VALUE"));
    o.setFlags(QCommandLineOption::HiddenFromHelp);
    p.addOption(o);
  }
  for (const char* name : {"reverse", "widgetcount", "nograb", "dograb", "sync"}) {
    QCommandLineOption o(QString::fromLatin1(name));
    o.setFlags(QCommandLineOption::HiddenFromHelp);
    p.addOption(o);
  }
}

std::optional<PanelOptions::Outage> ParseOutage(const QString& text) {
  const QStringList parts = text.split(u',');
  if (parts.size() != 2) return std::nullopt;
  bool startOk = false;
  bool lengthOk = false;
  const PanelOptions::Outage o{parts[0].toDouble(&startOk), parts[1].toDouble(&lengthOk)};
  if (!startOk || !lengthOk || o.start < 0 || o.start > kMaxSeconds || o.length <= 0 ||
      o.length > kMaxSeconds) {
    return std::nullopt;
  }
  return o;
}

}  // namespace

std::optional<PanelOptions> ParsePanelOptions(const QStringList& arguments, QString& message,
                                              bool& exitNow) {
  exitNow = false;
  QCommandLineParser p;
  p.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);  // Qt's -platform
  p.setApplicationDescription(
      QStringLiteral("Desktop host for the Vyx I/O board: the component beside a live chart."));
  p.addHelpOption();
  p.addVersionOption();
  const QCommandLineOption simulate(
      QStringLiteral("simulate"),
      QStringLiteral(
          "Start the built-in simulated board, map Comm1 to it and run automatic updates."));
  const QCommandLineOption port(
      QStringLiteral("port"),
      QStringLiteral("Map CommN (1 to 8) to DEVICE for this run: a path, tcp://HOST:PORT or "
                     "rfc2217://HOST:PORT."),
      QStringLiteral("N=DEVICE"));
  const QCommandLineOption settings(QStringLiteral("settings"),
                                    QStringLiteral("Keep settings in the INI file FILE."),
                                    QStringLiteral("FILE"));
  const QCommandLineOption screenshot(
      QStringLiteral("screenshot"),
      QStringLiteral("Save a picture of the window to FILE and quit."), QStringLiteral("FILE"));
  const QCommandLineOption after(QStringLiteral("after"),
                                 QStringLiteral("Seconds before the screenshot (default 5)."),
                                 QStringLiteral("SECONDS"), QStringLiteral("5"));
  const QCommandLineOption window(QStringLiteral("chart-window"),
                                  QStringLiteral("Seconds the chart shows (10 to 600)."),
                                  QStringLiteral("SECONDS"));
  const QCommandLineOption outage(
      QStringLiteral("simulate-outage"),
      QStringLiteral("With --simulate: the board stops answering START seconds after the start, "
                     "for LENGTH seconds (to see how the panel shows an outage)."),
      QStringLiteral("START,LENGTH"));
  p.addOptions({simulate, port, settings, screenshot, after, window, outage});
  AddQtOptions(p);
  p.addPositionalArgument(QStringLiteral("document"), QStringLiteral("A document to open."),
                          QStringLiteral("[DOCUMENT]"));

  if (!p.parse(arguments)) {
    message = p.errorText();
    return std::nullopt;
  }
  if (p.isSet(QStringLiteral("help")) || p.isSet(QStringLiteral("help-all"))) {
    // Without an application object the parser cannot know the program's name.
    message =
        p.helpText().replace(QStringLiteral("<executable_name>"), QStringLiteral("vyx-panel"));
    exitNow = true;
    return std::nullopt;
  }
  if (p.isSet(QStringLiteral("version"))) {
    message = QStringLiteral("vyx-panel %1\n").arg(PanelVersion());
    exitNow = true;
    return std::nullopt;
  }

  PanelOptions o;
  o.simulate = p.isSet(simulate);
  for (const QString& value : p.values(port)) {
    std::string error;
    const auto parsed = vyx::qt::ParsePortOption(value.toStdString(), error);
    if (!parsed) {
      message = QString::fromStdString(error);
      return std::nullopt;
    }
    if (o.simulate && parsed->comm == 1) {
      message = QStringLiteral("--simulate maps Comm1 itself; map another port with --port");
      return std::nullopt;
    }
    o.ports[static_cast<std::size_t>(parsed->comm - 1)] = QString::fromStdString(parsed->device);
  }
  o.settingsFile = p.value(settings);
  o.screenshot = p.value(screenshot);
  bool ok = false;
  o.after = p.value(after).toDouble(&ok);
  if (!ok || o.after < 0 || o.after > kMaxSeconds) {
    message =
        QStringLiteral("--after takes seconds from 0 to 3600, not \"%1\"").arg(p.value(after));
    return std::nullopt;
  }
  if (p.isSet(window)) {
    const int seconds = p.value(window).toInt(&ok);
    if (!ok || seconds < 10 || seconds > 600) {
      message = QStringLiteral("--chart-window takes seconds from 10 to 600, not \"%1\"")
                    .arg(p.value(window));
      return std::nullopt;
    }
    o.chartWindow = seconds;
  }
  if (p.isSet(outage)) {
    o.outage = ParseOutage(p.value(outage));
    if (!o.outage) {
      message = QStringLiteral(
                    "--simulate-outage takes START,LENGTH in seconds (START from 0, LENGTH "
                    "above 0, each up to 3600), not \"%1\"")
                    .arg(p.value(outage));
      return std::nullopt;
    }
    if (!o.simulate) {
      message = QStringLiteral("--simulate-outage needs --simulate");
      return std::nullopt;
    }
  }
  const QStringList rest = p.positionalArguments();
  if (rest.size() > 1) {
    message = QStringLiteral("one document at a time, not %1").arg(rest.size());
    return std::nullopt;
  }
  if (!rest.isEmpty()) o.document = rest.front();
  return o;
}

}  // namespace vyx::panel
