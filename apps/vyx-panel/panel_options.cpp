#include "panel_options.h"

#include <QCommandLineParser>

namespace vyx::panel {

std::optional<PanelOptions> ParsePanelOptions(const QStringList& arguments, QString& message,
                                              bool& exitNow) {
  exitNow = false;
  QCommandLineParser p;
  p.setApplicationDescription(
      QStringLiteral("Desktop host for the Vyx I/O board: the component beside a live chart."));
  p.addHelpOption();
  p.addVersionOption();
  const QCommandLineOption simulate(
      QStringLiteral("simulate"),
      QStringLiteral(
          "Start the built-in simulated board, map Comm1 to it and run automatic updates."));
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
  p.addOptions({simulate, settings, screenshot, after, window});
  p.addPositionalArgument(QStringLiteral("document"), QStringLiteral("A document to open."),
                          QStringLiteral("[DOCUMENT]"));

  if (!p.parse(arguments)) {
    message = p.errorText();
    return std::nullopt;
  }
  if (p.isSet(QStringLiteral("help"))) {
    message = p.helpText();
    exitNow = true;
    return std::nullopt;
  }
  if (p.isSet(QStringLiteral("version"))) {
    message = QStringLiteral("vyx-panel 1.00\n");
    exitNow = true;
    return std::nullopt;
  }

  PanelOptions o;
  o.simulate = p.isSet(simulate);
  o.settingsFile = p.value(settings);
  o.screenshot = p.value(screenshot);
  bool ok = false;
  o.after = p.value(after).toDouble(&ok);
  if (!ok || o.after < 0 || o.after > 3600) {
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
  const QStringList rest = p.positionalArguments();
  if (rest.size() > 1) {
    message = QStringLiteral("one document at a time, not %1").arg(rest.size());
    return std::nullopt;
  }
  if (!rest.isEmpty()) o.document = rest.front();
  return o;
}

}  // namespace vyx::panel
