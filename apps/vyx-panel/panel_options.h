// The desktop host's command line. It is read before the application starts, so that help,
// version and mistakes are answered without a display.
#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <optional>

namespace vyx::panel {

struct PanelOptions {
  // The simulated board goes silent START seconds after the start, for LENGTH seconds.
  struct Outage {
    double start = 0;
    double length = 0;
  };

  bool simulate = false;
  std::array<QString, 8> ports;    // --port N=DEVICE for this run; index 0 is Comm1
  QString document;                // opened at start
  QString settingsFile;            // an INI file in place of the user's settings
  QString screenshot;              // grab the window into this file, then quit
  double after = 5.0;              // seconds before the screenshot
  std::optional<int> chartWindow;  // seconds
  std::optional<Outage> outage;    // --simulate-outage
};

// The options, or an error message (help and version print and set exitNow).
std::optional<PanelOptions> ParsePanelOptions(const QStringList& arguments, QString& message,
                                              bool& exitNow);

}  // namespace vyx::panel
